// End-to-end runs of plaxen-info: a data file (and a grid size) in, the report out, compared
// byte for byte; plaxen-info's counts checked against plaxen's own run where it matters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plaxen/common/capacities.h"
#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

using testsupport::run_program;
using testsupport::scratch_dir;

const std::string max_nodes = std::to_string(plaxen::max_nodes);
// The end of the grid line: plaxen's capacity.
const std::string at_most = " nodes (plaxen takes at most " + max_nodes + ")\n";
// One row beyond the capacity (its dx, dy and last node spelled in the row that uses it).
const std::string refused_nx = std::to_string(testsupport::edge_nx);
const std::string refused_ny = std::to_string(testsupport::edge_ny + 1);

// `record` n times, then `bad` as the next line, then `record` twice more.
std::string with_bad_line(int n, const std::string& bad, const std::string& record) {
  std::string text;
  for (int k = 0; k < n; ++k) text += record;
  return text + bad + "\n" + record + record;
}

// The lines of the last node: as plaxen stores it (single) and where the exports put it.
std::string last_node_lines(const std::string& single, const std::string& placed) {
  return "xmax, ymax:      " + single + " (single precision, as plaxen stores them)\n" +
         "last node:       " + placed + " (where the exports place it)\n";
}

// The report's first lines for a data file and a grid of `nx_ny` ("2 x 2 = 4").
std::string grid_lines(const std::string& records, const std::string& x, const std::string& y,
                       const std::string& values, const std::string& nx_ny,
                       const std::string& spacing) {
  return "data file:       data.txt\nrecords:         " + records + "\nx limits:        " + x +
         "\ny limits:        " + y + "\nvalues:          " + values +
         "\ngrid:            " + nx_ny + at_most + "dx, dy:          " + spacing + "\n";
}

// 25 readings on the node (1, 1) of a grid from (0, 7): only the first 20 count, as the
// dropped line says.
const std::string beyond_first = " beyond the first 20 on a node\n";
const std::string many_on_one_node = [] {
  std::string s;
  for (int k = 0; k < 25; ++k) s += "0 7 " + std::to_string(k) + "\n";
  return s;
}();

const std::string& four_corners = testsupport::four_points;

// The JSON report of four_corners on 3 x 2 nodes, for the data file named `name` in JSON.
std::string corners_json(const std::string& name) {
  return "{\"data_file\":\"" + name +
         "\",\"records\":4,\"records_ignored\":false,\"grids_no_data\":false,\"limits\":{\"xmin\":"
         "0,"
         "\"xmax\":10,\"ymin\":0,\"ymax\":5},\"values\":{\"min\":1,\"max\":4},\"grid\":{\"nx\":3,"
         "\"ny\":2,\"nodes\":6,\"max_nodes\":" +
         max_nodes +
         ",\"accepted\":true,\"refusal\":null,\"xmin\":0,"
         "\"ymin\":0,\"xmax\":10,\"ymax\":5,\"dx\":5,\"dy\":5,\"last_node_x\":10,"
         "\"last_node_y\":5,\"data_nodes\":4,\"defined_nodes\":6,"
         "\"undefined_nodes\":0,\"dropped_readings\":0,\"out_of_range_readings\":0,"
         "\"missing_value_nodes\":0,\"defined_missing_value_nodes\":0,"
         "\"missing_value_readings\":0,\"value_span\":3,\"value_span_accepted\":true}}\n";
}
const std::string data_lines =
    "data file:       data.txt\n"
    "records:         4\n"
    "x limits:        0 to 10\n"
    "y limits:        0 to 5\n"
    "values:          1 to 4\n";

TEST(PlaxenInfo, Reports) {
  struct Case {
    const char* what;
    std::string data;
    std::vector<std::string> args;  // after the data file name
    std::string out;
    std::string err;
    int exit_status;
    std::string name = "data.txt";  // of the data file, written with `data` unless absolute
  };
  const Case cases[] = {
      {"the four corners on 11 x 6: each lends its value to its two side neighbours",
       four_corners,
       {"11", "6"},
       data_lines + "grid:            11 x 6 = 66" + at_most + "dx, dy:          1, 1\n" +
           last_node_lines("10, 5", "10, 5") +
           "nodes with data: 4\n"
           "defined nodes:   12 of 66; 54 undefined, written as -999.0\n"
           "dropped:         0 readings" +
           beyond_first +
           "out of range:    0 readings\n"
           "-999.0 nodes:    54 in the grid file: 54 undefined, 0 defined at exactly -999.0\n"
           "-999.0 values:   0 readings (the grid file cannot tell them from undefined "
           "nodes)\n"
           "value span:      3 (accepted: below 1e+32)\n"
           "plaxen:          grids this\n",
       "",
       0},
      {"without a grid size: the most nodes, cells as square as 10 by 5 allows",
       four_corners,
       {},
       data_lines + "suggested grid:  315 x 158 = 49770 nodes, dx 0.031847134, dy 0.031847134\n",
       "",
       0},
      {"as JSON", four_corners, {"3", "2", "--json"}, corners_json("data.txt"), "", 0},
      {"25 readings on one node: the last 5 dropped; a reading of -999.0 counted",
       many_on_one_node + "1 8 -999\n",
       {"2", "2"},
       grid_lines("26", "0 to 1", "7 to 8", "-999 to 24", "2 x 2 = 4", "1, 1") +
           last_node_lines("1, 8", "1, 8") +
           "nodes with data: 2\n"
           "defined nodes:   4 of 4; 0 undefined, written as -999.0\n"
           "dropped:         5 readings" +
           beyond_first +
           "out of range:    0 readings\n"
           "-999.0 nodes:    1 in the grid file: 0 undefined, 1 defined at exactly -999.0\n"
           "-999.0 values:   1 reading (the grid file cannot tell them from undefined nodes)\n"
           "value span:      1023 (accepted: below 1e+32)\n"
           "plaxen:          grids this\n",
       "",
       0},
      {"every reading on one line of y: dy is 0 and every reading falls out of range",
       many_on_one_node + "1 7 -999\n",
       {"2", "2"},
       grid_lines("26", "0 to 1", "7 to 7", "-999 to 24", "2 x 2 = 4", "1, 0") +
           last_node_lines("1, 7", "1, 7") +
           "nodes with data: 0\n"
           "defined nodes:   0 of 4; 4 undefined, written as -999.0\n"
           "dropped:         0 readings" +
           beyond_first +
           "out of range:    26 readings\n"
           "-999.0 nodes:    4 in the grid file: 4 undefined, 0 defined at exactly -999.0\n"
           "-999.0 values:   1 reading (the grid file cannot tell them from undefined nodes)\n"
           "value span:      1023 (accepted: below 1e+32)\n"
           "plaxen:          grids this\n",
       "",
       0},
      {"no records: plaxen grids no data",
       "",
       {"--json"},
       "{\"data_file\":\"data.txt\",\"records\":0,\"records_ignored\":false,\"grids_no_data\":true,"
       "\"limits\":{\"xmin\":1e+35,\"xmax\":-1e+35,\"ymin\":1e+35,\"ymax\":-1e+35},\"values\":null,"
       "\"suggested_grid\":null,\"no_suggestion\":\"no records\"}\n",
       "",
       0},
      {"more nodes than plaxen takes: its refusal, no counts; the last node beyond xmax",
       four_corners,
       {refused_nx, refused_ny},
       data_lines + "grid:            " + refused_nx + " x " + refused_ny + " = " +
           std::to_string(plaxen::max_nodes + testsupport::edge_nx) + at_most +
           "dx, dy:          0.04016064, 0.025\n" +
           last_node_lines("10, 5", "9.99999962747097, 5.000000074505806") +
           "-999.0 values:   0 readings (the grid file cannot tell them from undefined "
           "nodes)\n"
           "value span:      3 (accepted: below 1e+32)\n"
           "plaxen:          refuses this: too many matrix elements\n",
       "",
       0},
      {"a line that is not a record: named by its line and text",
       with_bad_line(56, "521100.5 4631200.25 x12", "1 2 3\n"),
       {},
       "",
       "plaxen-info: data.txt: line 57: invalid number in record 57: \"521100.5 4631200.25 "
       "x12\"\n",
       1},
      {"records of two lines: line 57 holds record 29",
       with_bad_line(28, "1.5e 3", "1 2\n3\n"),
       {"3", "3"},
       "",
       "plaxen-info: data.txt: line 57: exponent field in record 29: \"1.5e 3\"\n",
       1},
      {"a name that is not UTF-8 as JSON: a stray byte as \\udcXX, a valid sequence kept",
       four_corners,
       {"--json"},
       "{\"data_file\":\"d\\udcff\\udce9\\udca0\\udced\\udca0\\udc80\xc3\xa9\xf0\x9f\x98\x80"
       "\\\\\\\"\\u001b.txt\",\"records\":4,\"records_ignored\":false,\"grids_no_data\":false,"
       "\"limits\":{\"xmin\":0,"
       "\"xmax\":10,\"ymin\":0,\"ymax\":5},\"values\":{\"min\":1,\"max\":4},"
       "\"suggested_grid\":{\"nx\":315,\"ny\":158,\"nodes\":49770,\"dx\":0.031847134,"
       "\"dy\":0.031847134}}\n",
       "",
       0,
       // 0xff never, 0xe9 0xa0 cut short, 0xed 0xa0 0x80 a surrogate, then é, 😀, \ " ESC
       "d\xff\xe9\xa0\xed\xa0\x80\xc3\xa9\xf0\x9f\x98\x80\\\"\x1b.txt"},
      {"a file that opens but whose reading the system refuses: its error",
       "",
       {},
       "",
       "plaxen-info: /proc/self/mem: Input/output error\n",
       1,
       "/proc/self/mem"},
      {"NX without NY",
       four_corners,
       {"11"},
       "",
       "plaxen-info: give both NX and NY, or neither; see plaxen-info --help\n",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch_dir dir;
    if (!c.name.starts_with('/')) dir.write(c.name, c.data);
    std::vector<std::string> args = {c.name};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = run_program(PLAXEN_INFO_PROGRAM, args, "", dir.path());
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exit_status, c.exit_status);
  }
}

}  // namespace
