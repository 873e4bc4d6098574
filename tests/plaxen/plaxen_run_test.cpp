// End-to-end runs of plaxen: operator dialogue in, standard output, standard error, exit
// status or signal and the grid file out, compared byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "plaxen/common/capacities.h"
#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

using testsupport::all_undefined;
using testsupport::run_program;
using testsupport::scratch_dir;

struct Case {
  const char* name;
  std::optional<std::string> data;             // content of data.txt; none: no such file
  std::string input;                           // standard input
  std::string out;                             // expected standard output
  std::string err;                             // expected standard error
  int exit_status;                             // expected exit status, or -1 when killed
  int signal;                                  // expected terminating signal, or 0
  std::optional<std::string> grid;             // expected grid.txt; none: the file must not exist
  std::optional<std::string> older_grid = {};  // grid.txt before the run
};

using testsupport::empty_limits;
using testsupport::four_points;
using testsupport::four_points_grid;
using testsupport::four_points_limits;
using testsupport::limits_header;
using testsupport::no_records;
using testsupport::refused_size;
const auto report = testsupport::io_report;
const std::string too_many = testsupport::too_many_nodes;

const Case cases[] = {
    {"four corner points", four_points, "data.txt\ngrid.txt\n11 6\n",
     four_points_limits + " 11 6\n", "", 0, 0, four_points_grid()},
    {"grid size spread over lines", four_points, "data.txt\ngrid.txt\n11\n\n 6\n",
     four_points_limits + " 11 6\n", "", 0, 0, four_points_grid()},
    {"empty data file: every node undefined", "", "data.txt\ngrid.txt\n3 2\n",
     empty_limits + " 3 2\n", no_records, 0, 0, all_undefined(3, 2)},
    {"rows longer than 3000 values continue on further lines", "", "data.txt\ngrid.txt\n3001 2\n",
     empty_limits + " 3001 2\n", no_records, 0, 0, all_undefined(3001, 2)},
    {"exactly max_nodes nodes are accepted", "",
     "data.txt\ngrid.txt\n" + testsupport::largest_size + "\n",
     empty_limits + " " + testsupport::largest_size + "\n", no_records, 0, 0,
     all_undefined(testsupport::edge_nx, testsupport::edge_ny)},
    {"one row more: refused, no grid file", four_points,
     "data.txt\ngrid.txt\n" + refused_size + "\n",
     four_points_limits + " " + refused_size + "\n" + too_many, "", 1, 0, std::nullopt},
    {"a refused run leaves an older grid file untouched", four_points,
     "data.txt\ngrid.txt\n" + refused_size + "\n",
     four_points_limits + " " + refused_size + "\n" + too_many, "", 1, 0, "old content\n",
     "old content\n"},
    {"a longer older grid file is cut", four_points, "data.txt\ngrid.txt\n11 6\n",
     four_points_limits + " 11 6\n", "", 0, 0, four_points_grid(), std::string(100000, 'x')},
    {"a product that would overflow is refused, not wrapped", four_points,
     "data.txt\ngrid.txt\n100000 100000\n", four_points_limits + " 100000 100000\n" + too_many, "",
     1, 0, std::nullopt},
    {"one column: refused before any division", four_points, "data.txt\ngrid.txt\n1 5\n",
     four_points_limits + " 1 5\n the grid needs at least 2 nodes along x and along y\n", "", 1, 0,
     std::nullopt},
    {"zero and negative sizes are refused", four_points, "data.txt\ngrid.txt\n0 -3\n",
     four_points_limits + " 0 -3\n the grid needs at least 2 nodes along x and along y\n", "", 1, 0,
     std::nullopt},
    {"a value span the node encoding cannot hold is refused", "0 0 -1e33\n1 1 1e33\n",
     "data.txt\ngrid.txt\n2 2\n",
     limits_header + "  0.0000E+00  0.1000E+01  0.0000E+00  0.1000E+01\n 2 2\n"
                     " the data values span 1.0e32 or more, too much to grid\n",
     "", 1, 0, std::nullopt},
    {"standard input ends before the data file name", four_points, "", "",
     report("fmt: end of file", "5 (unnamed)", "(1A80)", "reading"), -1, SIGABRT, std::nullopt},
    {"a name line cut by the end of input is an end of file inside the field", four_points, "data",
     "", report("fmt: end of file", "5 (unnamed)", "(1A80)", "reading"), -1, SIGABRT, std::nullopt},
    {"a name of 80 characters is complete before the end of input", four_points,
     "data.txt\n" + std::string(80, 'g'), four_points_limits,
     report("read start: end of file", "5 (unnamed)", "list io", "reading"), -1, SIGABRT,
     std::nullopt},
    {"data file missing", std::nullopt, "data.txt\ngrid.txt\n11 6\n", "",
     report("open: No such file or directory", "11 named data.txt", "", "reading"), -1, SIGABRT,
     std::nullopt},
    {"a name line of blanks", four_points, "   \ngrid.txt\n11 6\n", "",
     report("open: null file name", "11 (unnamed)", "", "reading"), -1, SIGABRT, std::nullopt},
    {"unreadable number in the data file", "0 0 1\n1 2 abc\n", "data.txt\ngrid.txt\n11 6\n", "",
     report("invalid number: incomprehensible list input", "11 named data.txt", "list io",
            "reading"),
     -1, SIGABRT, std::nullopt},
    {"standard input ends before nx and ny", four_points, "data.txt\ngrid.txt\n",
     four_points_limits, report("list in: end of file", "5 (unnamed)", "list io", "reading"), -1,
     SIGABRT, std::nullopt},
    {"nx that is not an integer", four_points, "data.txt\ngrid.txt\n50.0 6\n", four_points_limits,
     report("invalid integer: read unexpected character", "5 (unnamed)", "list io", "reading"), -1,
     SIGABRT, std::nullopt},
    {"grid file that cannot be created", four_points, "data.txt\nno/such/dir/grid.txt\n11 6\n",
     four_points_limits + " 11 6\n",
     report("open: No such file or directory", "9 named no/such/dir/grid.txt", "list io",
            "writing"),
     -1, SIGABRT, std::nullopt},
};

// Failing cases are named by their description, not dumped as bytes.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class PlaxenRun : public ::testing::TestWithParam<Case> {};

TEST_P(PlaxenRun, MatchesExpectedTexts) {
  const Case& c = GetParam();
  scratch_dir dir;
  if (c.data) dir.write("data.txt", *c.data);
  if (c.older_grid) dir.write("grid.txt", *c.older_grid);
  const auto r = run_program(PLAXEN_PROGRAM, {}, c.input, dir.path());
  EXPECT_EQ(r.out, c.out);
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(r.exit_status, c.exit_status);
  EXPECT_EQ(r.signal, c.signal);
  if (c.grid) {
    ASSERT_TRUE(std::filesystem::exists(dir / "grid.txt"));
    EXPECT_EQ(dir.read("grid.txt"), *c.grid);
  } else {
    EXPECT_FALSE(std::filesystem::exists(dir / "grid.txt"));
  }
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Dialogue, PlaxenRun, ::testing::ValuesIn(cases), case_name);

// The records of the data file as the limits show them: continued records, extra values,
// null values and a record cut by the end of the file.
TEST(PlaxenData, RecordRulesShowInTheLimits) {
  struct Row {
    const char* data;
    const char* limits;
  };
  const Row rows[] = {
      // "1 2" and "3" form one record; the fourth number of a line is ignored.
      {"1 2\n3\n7 8 9 10\n", "  0.1000E+01  0.7000E+01  0.2000E+01  0.8000E+01\n"},
      // A null y keeps the previous record's y; a first null x takes 0.0.
      {",5,1\n4,,2\n", "  0.0000E+00  0.4000E+01  0.5000E+01  0.5000E+01\n"},
      // A record cut by the end of the file is dropped.
      {"1 1 1\n9 9", "  0.1000E+01  0.1000E+01  0.1000E+01  0.1000E+01\n"},
      // A last record without a final newline is stored.
      {"1 1 1\n9 9 9", "  0.1000E+01  0.9000E+01  0.1000E+01  0.9000E+01\n"},
      // Non-blank text after the value on an unterminated last line drops that record.
      {"1 1 1\n9 9 9 x", "  0.1000E+01  0.1000E+01  0.1000E+01  0.1000E+01\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.data);
    scratch_dir dir;
    dir.write("data.txt", row.data);
    const auto r =
        run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n" + refused_size + "\n", dir.path());
    EXPECT_EQ(r.out, limits_header + row.limits + " " + refused_size + "\n" + too_many);
    EXPECT_EQ(r.exit_status, 1);
  }
}

// Trailing blanks of a name line are not part of the name; leading blanks are.
TEST(PlaxenGridFile, NamesLoseTrailingBlanksOnly) {
  scratch_dir dir;
  dir.write("data.txt", four_points);
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt    \n grid.txt   \n11 6\n", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / " grid.txt"));
}

// A data file of exactly max_records records "1 1 1", followed by `tail`.
std::string full_data_file(const std::string& tail) {
  std::string data;
  data.reserve(6 * std::size_t{plaxen::max_records} + tail.size());
  for (int k = 0; k < plaxen::max_records; ++k) data += "1 1 1\n";
  return data + tail;
}

// Records beyond the capacity are ignored with one warning on standard error; exactly as
// many as it takes give none.
TEST(PlaxenCapacity, RecordsBeyondCapacityAreIgnoredWithAWarning) {
  for (const bool beyond : {true, false}) {
    SCOPED_TRACE(beyond ? "one record more" : "exactly at the capacity");
    scratch_dir dir;
    dir.write("data.txt", full_data_file(beyond ? "9 9 9\n" : "\n  \n"));
    const auto r =
        run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n" + refused_size + "\n", dir.path());
    // The record after the last one taken would have moved the upper limits to 9.
    EXPECT_EQ(r.out, limits_header + "  0.1000E+01  0.1000E+01  0.1000E+01  0.1000E+01\n " +
                         refused_size + "\n" + too_many);
    EXPECT_EQ(r.err, beyond
                         ? " warning: the data file holds more than 1000000 records; the rest are "
                           "ignored\n"
                         : "");
    EXPECT_EQ(r.exit_status, 1);
  }
}

}  // namespace
