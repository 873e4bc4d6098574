// End-to-end runs of plaxen: operator dialogue in, standard output, standard error, exit
// status or signal and the grid file out, compared byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/plaxen/grid_text.h"
#include "tests/support/run_program.h"

namespace {

using testsupport::grid_file;
using testsupport::run_program;
using testsupport::scratch_dir;

constexpr double U = -999.0;  // an undefined node as the grid file shows it

const std::string limits_header = " data limits: xmin,xmax,ymin,ymax=\n";

struct Case {
  const char* name;
  std::optional<std::string> data;  // content of data.txt; none: no such file
  std::string input;                // standard input
  std::string out;                  // expected standard output
  std::string err;                  // expected standard error
  int exit_status;                  // expected exit status, or -1 when killed
  int signal;                       // expected terminating signal, or 0
  std::optional<std::string> grid;  // expected grid.txt; none: the file must not exist
};

// The report of an I/O failure: tag and message, the unit, the format, the direction.
std::string report(const std::string& tag_and_message, const std::string& unit,
                   const std::string& format, const std::string& direction) {
  std::string text = tag_and_message + "\napparent state: unit " + unit + "\n";
  if (!format.empty()) text += "last format: " + format + "\n";
  return text + "lately " + direction + " sequential formatted external IO\n";
}

const std::string four_points = "0 0 1\n10 0 2\n0 5 3\n10 5 4\n";
const std::string four_points_limits =
    limits_header + "  0.0000E+00  0.1000E+02  0.0000E+00  0.5000E+01\n";

// The four corner points on an 11 x 6 grid: each corner keeps its value and lends it to its
// side neighbours, which nothing else can pull away; every other node stays undefined.
std::string four_points_grid() {
  std::vector<std::vector<double>> rows(6, std::vector<double>(11, U));
  rows[0][0] = rows[0][1] = rows[1][0] = 1.0;
  rows[0][10] = rows[0][9] = rows[1][10] = 2.0;
  rows[5][0] = rows[5][1] = rows[4][0] = 3.0;
  rows[5][10] = rows[5][9] = rows[4][10] = 4.0;
  return grid_file(rows);
}

std::string all_undefined(int nx, int ny) {
  return grid_file(std::vector<std::vector<double>>(ny, std::vector<double>(nx, U)));
}

const std::string empty_limits =
    limits_header + "  0.1000E+36 -0.1000E+36  0.1000E+36 -0.1000E+36\n";
const std::string no_records =
    " warning: the data file holds no records; every node is undefined\n";

const Case cases[] = {
    {"four corner points", four_points, "data.txt\ngrid.txt\n11 6\n",
     four_points_limits + " 11 6\n", "", 0, 0, four_points_grid()},
    {"grid size spread over lines", four_points, "data.txt\ngrid.txt\n11\n\n 6\n",
     four_points_limits + " 11 6\n", "", 0, 0, four_points_grid()},
    {"empty data file: every node undefined", "", "data.txt\ngrid.txt\n3 2\n",
     empty_limits + " 3 2\n", no_records, 0, 0, all_undefined(3, 2)},
    {"rows longer than 3000 values continue on further lines", "", "data.txt\ngrid.txt\n3001 2\n",
     empty_limits + " 3001 2\n", no_records, 0, 0, all_undefined(3001, 2)},
    {"exactly 50,000 nodes are accepted", "", "data.txt\ngrid.txt\n250 200\n",
     empty_limits + " 250 200\n", no_records, 0, 0, all_undefined(250, 200)},
    {"more than 50,000 nodes: refused, no grid file", four_points, "data.txt\ngrid.txt\n250 201\n",
     four_points_limits + " 250 201\n  too many matrix elements\n", "", 1, 0, std::nullopt},
    {"a product that would overflow is refused, not wrapped", four_points,
     "data.txt\ngrid.txt\n100000 100000\n",
     four_points_limits + " 100000 100000\n  too many matrix elements\n", "", 1, 0, std::nullopt},
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
    const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n250 201\n", dir.path());
    EXPECT_EQ(r.out, limits_header + row.limits + " 250 201\n  too many matrix elements\n");
    EXPECT_EQ(r.exit_status, 1);
  }
}

// A refused grid size leaves an existing grid file exactly as it was.
TEST(PlaxenGridFile, RefusedRunLeavesExistingFileUntouched) {
  scratch_dir dir;
  dir.write("data.txt", four_points);
  dir.write("grid.txt", "old content\n");
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n300 300\n", dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(dir.read("grid.txt"), "old content\n");
}

// An existing grid file longer than the new output ends holding exactly the new output.
TEST(PlaxenGridFile, LongerOldFileIsCut) {
  scratch_dir dir;
  dir.write("data.txt", four_points);
  dir.write("grid.txt", std::string(100000, 'x'));
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n11 6\n", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(dir.read("grid.txt"), four_points_grid());
}

// Trailing blanks of a name line are not part of the name; leading blanks are.
TEST(PlaxenGridFile, NamesLoseTrailingBlanksOnly) {
  scratch_dir dir;
  dir.write("data.txt", four_points);
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt    \n grid.txt   \n11 6\n", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / " grid.txt"));
}

// A full disk must not end with status 0: the grid write is reported and the run aborts.
TEST(PlaxenGridFile, FullDiskIsReported) {
  scratch_dir dir;
  dir.write("data.txt", four_points);
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt\n/dev/full\n11 6\n", dir.path());
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("apparent state: unit 9 named /dev/full"), std::string::npos) << r.err;
}

// A data file of exactly 1,000,000 records "1 1 1", followed by `tail`.
std::string full_data_file(const std::string& tail) {
  std::string data;
  data.reserve(6'000'000 + tail.size());
  for (int k = 0; k < 1'000'000; ++k) data += "1 1 1\n";
  return data + tail;
}

// More than 1,000,000 records: the rest are ignored, with one warning on standard error.
TEST(PlaxenCapacity, RecordsBeyondCapacityAreIgnoredWithAWarning) {
  scratch_dir dir;
  dir.write("data.txt", full_data_file("9 9 9\n"));
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n250 201\n", dir.path());
  // The 1,000,001st record would have moved the upper limits to 9.
  EXPECT_EQ(r.out, limits_header + "  0.1000E+01  0.1000E+01  0.1000E+01  0.1000E+01\n" +
                       " 250 201\n  too many matrix elements\n");
  EXPECT_EQ(r.err,
            " warning: the data file holds more than 1000000 records; the rest are ignored\n");
}

// Exactly 1,000,000 records: nothing is ignored, so there is no warning.
TEST(PlaxenCapacity, ExactlyAtCapacityNoWarning) {
  scratch_dir dir;
  dir.write("data.txt", full_data_file("\n  \n"));
  const auto r = run_program(PLAXEN_PROGRAM, {}, "data.txt\ngrid.txt\n250 201\n", dir.path());
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_status, 1);
}

}  // namespace
