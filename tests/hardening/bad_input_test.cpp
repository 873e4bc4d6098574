// Hostile input end to end: the real programs on bad data files, bad answers, bad devices
// and bad logs. Every row checks standard output, standard error, how the run ended and
// every file the run leaves in its directory, byte for byte.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plaxen/common/capacities.h"
#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using testsupport::all_undefined;
using testsupport::empty_limits;
using testsupport::four_points;
using testsupport::four_points_limits;
using testsupport::grid_file;
using testsupport::limits_header;
using testsupport::no_records;
using testsupport::refused_size;
using testsupport::run_program;
using testsupport::scratch_dir;

constexpr double U = testsupport::undefined_node;
constexpr std::size_t one_mb = std::size_t{1} << 20;

// A file or directory the run must leave behind (or must not).
struct left_behind {
  enum kind_t { absent, file, empty_directory } kind;
  std::string name;
  std::string content;  // for a file
};
left_behind absent(std::string name) {
  return {left_behind::absent, std::move(name), {}};
}
left_behind file(std::string name, std::string content) {
  return {left_behind::file, std::move(name), std::move(content)};
}
left_behind directory(std::string name) {
  return {left_behind::empty_directory, std::move(name), {}};
}

struct run_case {
  std::string name;
  std::string program;
  std::map<std::string, std::string> files;  // written before the run
  std::vector<std::string> dirs;             // made before the run
  std::string input;                         // standard input
  std::string out;
  std::string err;
  int exit_status;  // -1 when a signal ends the run
  int signal;
  std::vector<left_behind> after;  // besides the files and directories made before the run
};

const auto report = testsupport::io_report;

std::string data_report(const std::string& tag_and_message) {
  return report(tag_and_message, "11 named data.txt", "list io", "reading");
}

void run_cases(const std::vector<run_case>& cases) {
  for (const run_case& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    std::set<std::string> expected_names;
    for (const auto& [name, content] : c.files) {
      dir.write(name, content);
      expected_names.insert(name);
    }
    for (const std::string& name : c.dirs) {
      fs::create_directory(dir / name);
      expected_names.insert(name);
    }
    const auto r = run_program(c.program, {}, c.input, dir.path());
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exit_status, c.exit_status);
    EXPECT_EQ(r.signal, c.signal);
    for (const left_behind& f : c.after) {
      const fs::path path = dir / f.name;
      switch (f.kind) {
        case left_behind::absent:
          EXPECT_FALSE(fs::exists(path)) << f.name;
          expected_names.erase(f.name);
          break;
        case left_behind::file:
          EXPECT_TRUE(fs::is_regular_file(path)) << f.name;
          if (fs::is_regular_file(path)) {
            EXPECT_EQ(dir.read(f.name), f.content) << f.name;
          }
          expected_names.insert(f.name);
          break;
        case left_behind::empty_directory:
          EXPECT_TRUE(fs::is_directory(path) && fs::is_empty(path)) << f.name;
          expected_names.insert(f.name);
          break;
      }
    }
    const std::set<std::string> names = testsupport::file_names(dir.path());
    EXPECT_EQ(names, expected_names) << "files in the run's directory";
  }
}

const std::string& too_many = testsupport::too_many_nodes;
const std::string& too_few = testsupport::too_few_nodes;
const std::string span_refused = " the data values span 1.0e32 or more, too much to grid\n";
const std::string same_file_refused =
    " the grid file is the data file: refused, the data would be overwritten\n";
const std::string data_cr_warning =
    " warning: the data file holds carriage returns not followed by a newline; only a newline "
    "ends a record\n";

// A plaxen run on `data` as data.txt that stops at the node check (one row beyond the
// capacity), so that the limits line alone shows what the records were read as.
run_case limits_only(std::string name, std::string data, const std::string& limits) {
  return {std::move(name),
          PLAXEN_PROGRAM,
          {{"data.txt", std::move(data)}},
          {},
          "data.txt\ngrid.txt\n" + refused_size + "\n",
          limits_header + limits + " " + refused_size + "\n" + too_many,
          "",
          1,
          0,
          {absent("grid.txt")}};
}

// A plaxen run on `data` that ends with the error report `err` while loading.
run_case load_fails(std::string name, std::string data, std::string err) {
  return {std::move(name),
          PLAXEN_PROGRAM,
          {{"data.txt", std::move(data)}},
          {},
          "data.txt\ngrid.txt\n2 2\n",
          "",
          std::move(err),
          -1,
          SIGABRT,
          {absent("grid.txt")}};
}

TEST(HostileDataFile, GarbageNulsAndCutNumbers) {
  run_cases({
      load_fails("binary garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                 data_report("invalid number: incomprehensible list input")),
      load_fails("NUL bytes after a good record", std::string("1 2 3\n\0\0\0\n4 5 6\n", 16),
                 data_report("invalid number: incomprehensible list input")),
      load_fails("the file ends inside an exponent", "1 2 3\n4 5 3.5e",
                 data_report("exponent field: incomprehensible list input")),
      load_fails("the file ends after an exponent sign", "1 2 3\n4 5 6e+",
                 data_report("exponent field: incomprehensible list input")),
      load_fails("the file ends after a lone sign", "1 2 -",
                 data_report("invalid number: incomprehensible list input")),
      limits_only("the file ends after a decimal point: the value is complete", "1 2 3.",
                  "  0.1000E+01  0.1000E+01  0.2000E+01  0.2000E+01\n"),
      // Carriage returns end no record: the whole file is one line whose first record is
      // followed by text up to the end of the file, so that record is dropped too; a
      // warning says why nothing was stored.
      {"carriage-return line ends: one unterminated line, nothing stored",
       PLAXEN_PROGRAM,
       {{"data.txt", "0 0 1\r10 0 2\r0 5 3\r10 5 4\r"}},
       {},
       "data.txt\ngrid.txt\n2 2\n",
       empty_limits + " 2 2\n",
       data_cr_warning + no_records,
       0,
       0,
       {file("grid.txt", all_undefined(2, 2))}},
  });
}

TEST(HostileDataFile, MegabyteLinesAndLongNumbers) {
  const std::string blanks = std::string(one_mb - 1, ' ') + "\t";
  run_cases({
      // The record starts beyond the first megabyte the layer reads ahead; the junk after
      // it is discarded with the rest of its line.
      limits_only("a record after 1 MB of blanks and before 1 MB of junk",
                  blanks + "1 2 3 " + std::string(one_mb, 'x') + "\n4 5 6\n",
                  "  0.1000E+01  0.4000E+01  0.2000E+01  0.5000E+01\n"),
      // 40 significant digits take part; the rest only raise the exponent: 10^1048575 is
      // infinite in single precision. A fraction of a million zeros underflows to 0.
      limits_only("numbers of a million digits",
                  std::string(1, '1') + std::string(one_mb - 1, '0') + " 0." +
                      std::string(one_mb, '0') + "1 3\n-5 -7 0\n",
                  " -0.5000E+01         INF -0.7000E+01  0.0000E+00\n"),
      {"a 1 MB data file name line: its first 80 characters are the name",
       PLAXEN_PROGRAM,
       {},
       {},
       std::string(one_mb, 'n') + "\ngrid.txt\n2 2\n",
       "",
       report("open: No such file or directory", "11 named " + std::string(80, 'n'), "", "reading"),
       -1,
       SIGABRT,
       {absent("grid.txt")}},
      {"a 1 MB grid file name line: its first 80 characters are the name",
       PLAXEN_PROGRAM,
       {{"data.txt", ""}},
       {},
       "data.txt\n" + std::string(80, 'g') + std::string(one_mb, 'h') + "\n2 2\n",
       empty_limits + " 2 2\n",
       no_records,
       0,
       0,
       {file(std::string(80, 'g'), all_undefined(2, 2))}},
  });
}

TEST(HostileDataFile, BeyondSinglePrecision) {
  run_cases({
      limits_only("coordinates of +-1e38", "1e38 -1e38 5\n-1e38 1e38 6\n",
                  " -0.1000E+39  0.1000E+39 -0.1000E+39  0.1000E+39\n"),
      limits_only("a subnormal and an underflow", "1e-45 1e-50 3\n",
                  "  0.1401E-44  0.1401E-44  0.0000E+00  0.0000E+00\n"),
      {"values of +-1e38 span more than the node encoding holds",
       PLAXEN_PROGRAM,
       {{"data.txt", "0 0 1e38\n1 1 -1e38\n"}},
       {},
       "data.txt\ngrid.txt\n2 2\n",
       limits_header + "  0.0000E+00  0.1000E+01  0.0000E+00  0.1000E+01\n 2 2\n" + span_refused,
       "",
       1,
       0,
       {absent("grid.txt")}},
      {"a value of 1e39 is infinite and refused",
       PLAXEN_PROGRAM,
       {{"data.txt", "0 0 1e39\n1 1 2\n"}},
       {},
       "data.txt\ngrid.txt\n2 2\n",
       limits_header + "  0.0000E+00  0.1000E+01  0.0000E+00  0.1000E+01\n 2 2\n" + span_refused,
       "",
       1,
       0,
       {absent("grid.txt")}},
      // x of +-1e39 are infinities: dx is infinite, (x - xmin)/dx is not a number for both
      // points, so both are reported out of range and no node gets a value.
      {"coordinates of +-1e39 are infinite: the points fall outside the grid",
       PLAXEN_PROGRAM,
       {{"data.txt", "1e39 0 5\n-1e39 1 6\n"}},
       {},
       "data.txt\ngrid.txt\n2 2\n",
       limits_header +
           "        -INF         INF  0.0000E+00  0.1000E+01\n 2 2\n"
           " point out of range k,x,y,z =     1            INF     0.0000E+00     0.5000E+01\n"
           " point out of range k,x,y,z =     2           -INF     0.1000E+01     0.6000E+01\n",
       "",
       0,
       0,
       {file("grid.txt", all_undefined(2, 2))}},
  });
}

// Records beyond the max_records that are read are not even looked at: garbage there is
// no error, only the warning that the rest is ignored.
TEST(HostileDataFile, GarbageBeyondTheRecordCapacity) {
  std::string data;
  data.reserve(6 * std::size_t{plaxen::max_records} + 100);
  for (int k = 0; k < plaxen::max_records; ++k) data += "1 2 3\n";
  data += std::string("\x89garbage\0 1e99999999999 ***\n", 28);
  run_cases({
      {"garbage after the records plaxen takes",
       PLAXEN_PROGRAM,
       {{"data.txt", data}},
       {},
       "data.txt\ngrid.txt\n" + refused_size + "\n",
       limits_header + "  0.1000E+01  0.1000E+01  0.2000E+01  0.2000E+01\n " + refused_size + "\n" +
           too_many,
       " warning: the data file holds more than " + std::to_string(plaxen::max_records) +
           " records; the rest are ignored\n",
       1,
       0,
       {absent("grid.txt")}},
  });
}

// A data file, or a path to one, that cannot be read.
TEST(HostileDataFile, UnreadableFiles) {
  run_cases({
      {"a data file that is a directory",
       PLAXEN_PROGRAM,
       {},
       {"data.txt"},
       "data.txt\ngrid.txt\n2 2\n",
       "",
       data_report("read: Is a directory"),
       -1,
       SIGABRT,
       {absent("grid.txt")}},
      // Permission bits do not stop root: a path that runs through a regular file does.
      {"a path through a regular file",
       PLAXEN_PROGRAM,
       {{"data.txt", "1 2 3\n"}},
       {},
       "data.txt/more\ngrid.txt\n2 2\n",
       "",
       report("open: Not a directory", "11 named data.txt/more", "", "reading"),
       -1,
       SIGABRT,
       {absent("grid.txt")}},
      // Opens, but reading its first bytes (address 0) fails.
      {"a file that opens but cannot be read",
       PLAXEN_PROGRAM,
       {},
       {},
       "/proc/self/mem\ngrid.txt\n2 2\n",
       "",
       report("read: Input/output error", "11 named /proc/self/mem", "list io", "reading"),
       -1,
       SIGABRT,
       {absent("grid.txt")}},
      {"a NUL byte in the data file name",
       PLAXEN_PROGRAM,
       {{"data", "1 2 3\n"}},
       {},
       std::string("data\0.txt\ngrid.txt\n2 2\n", 23),
       "",
       report("open: Invalid argument", std::string("11 named data\0.txt", 18), "", "reading"),
       -1,
       SIGABRT,
       {absent("grid.txt")}},
  });
}

// Grid sizes of few rows or few columns, and beyond the 32-bit range (the capacity's edge
// itself: plaxen_run_test).
TEST(HostileGridSize, AroundTheNodeCapacity) {
  auto sized = [](std::string name, const std::string& nx_ny, const std::string& echo,
                  std::string tail, int status, std::vector<left_behind> after) {
    return run_case{std::move(name),
                    PLAXEN_PROGRAM,
                    {{"data.txt", ""}},
                    {},
                    "data.txt\ngrid.txt\n" + nx_ny + "\n",
                    empty_limits + echo + std::move(tail),
                    no_records,
                    status,
                    0,
                    std::move(after)};
  };
  const std::string half = std::to_string(plaxen::max_nodes / 2);
  const std::string all = std::to_string(plaxen::max_nodes);
  run_cases({
      sized("2 x half the nodes: one row each", "2 " + half, " 2 " + half + "\n", "", 0,
            {file("grid.txt", all_undefined(2, plaxen::max_nodes / 2))}),
      sized("half the nodes x 2: rows of several lines", half + " 2", " " + half + " 2\n", "", 0,
            {file("grid.txt", all_undefined(plaxen::max_nodes / 2, 2))}),
      // 1+3 is 1 times ten to the 3: an exponent given by its sign alone.
      sized("nx written as 1+3: 1000 x 50 nodes", "1+3 50", " 1000 50\n", "", 0,
            {file("grid.txt", all_undefined(1000, 50))}),
      sized("two negative sizes with a product of max_nodes", "-2 -" + half, " -2 -" + half + "\n",
            too_few, 1, {absent("grid.txt")}),
      sized("max_nodes x 1", all + " 1", " " + all + " 1\n", too_few, 1, {absent("grid.txt")}),
      sized("an nx beyond 32 bits saturates", "99999999999 2", " 2147483647 2\n", too_many, 1,
            {absent("grid.txt")}),
      sized("both beyond 32 bits, one negative", "-99999999999 99999999999",
            " -2147483648 2147483647\n", too_few, 1, {absent("grid.txt")}),
      sized("just beyond 32 bits", "2147483648 -2147483649", " 2147483647 -2147483648\n", too_few,
            1, {absent("grid.txt")}),
  });
}

// The data file named again as the grid file, under any spelling of its path: refused
// before the grid file is opened, so the measurements stay as they are.
TEST(HostileGridFile, TheDataFileUnderAnotherName) {
  const std::string shown = four_points_limits + " 11 6\n";
  for (const std::string grid_name : {"data.txt", "./data.txt", "hard-link.txt",
                                      "symbolic-link.txt", "/proc/self/cwd/data.txt"}) {
    SCOPED_TRACE(grid_name);
    scratch_dir dir;
    dir.write("data.txt", four_points);
    fs::create_hard_link(dir / "data.txt", dir / "hard-link.txt");
    fs::create_symlink("data.txt", dir / "symbolic-link.txt");
    const auto r =
        run_program(PLAXEN_PROGRAM, {}, "data.txt\n" + grid_name + "\n11 6\n", dir.path());
    EXPECT_EQ(r.out, shown + same_file_refused);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(dir.read("data.txt"), four_points);
    EXPECT_EQ(testsupport::file_names(dir.path()),
              (std::set<std::string>{"data.txt", "hard-link.txt", "symbolic-link.txt"}));
  }
}

TEST(HostileGridFile, DirectoriesAndFullDevices) {
  const std::string four_points_out = four_points_limits + " 11 6\n";
  run_cases({
      // A directory opens for reading only; the rows it cannot take fail when handed over.
      {"a grid file name that is a directory",
       PLAXEN_PROGRAM,
       {{"data.txt", four_points}},
       {"grid.d"},
       "data.txt\ngrid.d\n11 6\n",
       four_points_out,
       report("write: Bad file descriptor", "9 named grid.d", "", "writing"),
       -1,
       SIGABRT,
       {directory("grid.d")}},
      {"the grid file on a full device",
       PLAXEN_PROGRAM,
       {{"data.txt", four_points}},
       {},
       "data.txt\n/dev/full\n11 6\n",
       four_points_out,
       report("write: No space left on device", "9 named /dev/full", "", "writing"),
       -1,
       SIGABRT,
       {}},
  });
}

// plaxen_blanking on a 3 x 3 grid with a data point on every node (value 1 + x + 3y), so
// that every node the blanking leaves free keeps its value exactly.
const std::string nine_points = "0 0 1\n1 0 2\n2 0 3\n0 1 4\n1 1 5\n2 1 6\n0 2 7\n1 2 8\n2 2 9\n";
const std::string blanking_dialogue = limits_header +
                                      "  0.0000E+00  0.2000E+01  0.0000E+00  0.2000E+01\n 3 3\n"
                                      " you should have a blanking file.... \n"
                                      " enter name of file ... default extent = .bln:  \n";

std::string nine_point_grid(bool centre_masked) {
  return grid_file({{1, 2, 3}, {4, centre_masked ? U : 5, 6}, {7, 8, 9}});
}

// The square around the centre node (1, 1), excluding its inside.
const std::string centre_square = "4 1\n0.5 0.5\n1.5 0.5\n1.5 1.5\n0.5 1.5\n";

run_case blanking_run(std::string name, std::string bln, std::string answer, std::string out_tail,
                      std::string err, int status, int signal, std::string grid) {
  std::map<std::string, std::string> files = {{"points.txt", nine_points}};
  if (!bln.empty() || answer == "mask") files["mask.bln"] = std::move(bln);
  return {std::move(name),
          PLAXEN_BLANKING_PROGRAM,
          std::move(files),
          {},
          "points.txt\ngrid.txt\n3 3\n" + answer + "\n",
          blanking_dialogue + std::move(out_tail),
          std::move(err),
          status,
          signal,
          {file("grid.txt", std::move(grid))}};
}

std::string bln_report(const std::string& tag_and_message) {
  return report(tag_and_message, "10 named mask.bln", "list io", "reading");
}

TEST(HostileBlanking, BadFilesAndAnswers) {
  const std::string refused_answer = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
  run_cases({
      blanking_run("a header cut by the end of the file ends the polygon list", centre_square + "4",
                   "mask", "", "", 0, 0, nine_point_grid(true)),
      blanking_run("carriage returns before the newlines are harmless",
                   "4 1\r\n0.5 0.5\r\n1.5 0.5\r\n1.5 1.5\r\n0.5 1.5\r\n", "mask", "", "", 0, 0,
                   nine_point_grid(true)),
      // Carriage returns end no record: the first header is followed by text up to the end
      // of the file, so it ends the polygon list.
      blanking_run("carriage-return line ends: no polygon, and a warning",
                   "4 1\r0.5 0.5\r1.5 0.5\r1.5 1.5\r0.5 1.5\r", "mask", "",
                   " warning: the blanking file holds carriage returns not followed by a "
                   "newline; only a newline ends a record\n",
                   0, 0, nine_point_grid(false)),
      blanking_run("a header with a decimal point", "4.5 1\n", "mask", "",
                   bln_report("invalid integer: read unexpected character"), -1, SIGABRT, ""),
      blanking_run("a vertex that is not a number", "3 1\n0 0\n1 x\n", "mask", "",
                   bln_report("invalid number: incomprehensible list input"), -1, SIGABRT, ""),
      blanking_run("binary garbage",
                   std::string("\x7f"
                               "ELF\x02\x01\x01\0\0",
                               9),
                   "mask", "", bln_report("invalid number: incomprehensible list input"), -1,
                   SIGABRT, ""),
      blanking_run("the answer names no file", "", "poly", "",
                   report("open: No such file or directory", "10 named poly.bln", "", "reading"),
                   -1, SIGABRT, ""),
  });
  // A refused answer ends the run before the grid file is written: an older grid file keeps
  // its content. Standard input that ends before the answer is the layer's report.
  run_cases({
      {"an answer without a full stop or blank is refused",
       PLAXEN_BLANKING_PROGRAM,
       {{"points.txt", nine_points}, {"grid.txt", "older grid\n"}},
       {},
       "points.txt\ngrid.txt\n3 3\n" + refused_answer + "\n",
       blanking_dialogue + " filename too long: " + refused_answer +
           "\n process stopped in             subroutine getfname\n",
       "",
       1,
       0,
       {file("grid.txt", "older grid\n")}},
      {"standard input ends before the answer",
       PLAXEN_BLANKING_PROGRAM,
       {{"points.txt", nine_points}},
       {},
       "points.txt\ngrid.txt\n3 3\n",
       blanking_dialogue,
       report("fmt: end of file", "5 (unnamed)", "(A40)", "reading"),
       -1,
       SIGABRT,
       {file("grid.txt", "")}},
      {"an answer cut by the end of input",
       PLAXEN_BLANKING_PROGRAM,
       {{"points.txt", nine_points}},
       {},
       "points.txt\ngrid.txt\n3 3\npoly",
       blanking_dialogue,
       report("fmt: end of file", "5 (unnamed)", "(A40)", "reading"),
       -1,
       SIGABRT,
       {file("grid.txt", ""), absent("poly.bln")}},
      {"a blanking file that is a directory",
       PLAXEN_BLANKING_PROGRAM,
       {{"points.txt", nine_points}},
       {"polys.d"},
       "points.txt\ngrid.txt\n3 3\npolys.d\n",
       blanking_dialogue,
       report("read: Is a directory", "10 named polys.d", "list io", "reading"),
       -1,
       SIGABRT,
       {file("grid.txt", ""), directory("polys.d")}},
  });
}

}  // namespace
