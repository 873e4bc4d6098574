// Whole runs of recmat in a scratch directory; temp.mat is read back with SciPy.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "recmat/command_line.h"
#include "tests/recmat/log_text.h"
#include "tests/recmat/mat_reader.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using recmat_test::log_of;
using recmat_test::record;
using recmat_test::sample_records;

const std::string usage_tail = " Usage: filename ndatapts stepsize\n";
const std::string cannot_write = "Error: Cannot write file temp.mat\n";

testsupport::run_result run_recmat(const fs::path& dir, const std::vector<std::string>& args) {
  return testsupport::run_program(RECMAT_PROGRAM, args, "", dir);
}

void expect_clean_success(const testsupport::run_result& run) {
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out + run.err, "");
}

// Record 2 of sample_records(2) read one line late, after a line 7 of 150 characters that
// goes on as the next line: each of its lines meets the format of the next one.
record shifted_record() {
  record shifted;
  shifted.values = {0,      0,      0, 0, 0, 0, 201.5f, 202.5f, 203.5f, 204.5f, 0,  0,
                    -7.25f, 213.5f, 0, 0, 0, 0, 214.5f, 215.5f, 216.5f, 41,     -42};
  return shifted;
}

// A record whose values round to single precision (0.1, 58.3), stored widened to double.
record rounded_record() {
  record r;
  r.lines = {"1997:05:12:10:30:15.5",
             "0.1:0.1:0.1:0.1",
             "4512.3 58.3 X 11.2",
             "0.1",
             "1 2 3 4 5 6 7",
             "19 20 21 22 23",
             "end"};
  r.values = {1997, 5, 12, 10, 30, 15.5f, 0.1f, 0.1f, 0.1f, 0.1f, 58.3f, 0,
              0.1f, 1, 2,  3,  6,  7,     19,   20,   21,   22,   23};
  return r;
}

// `all` with the records numbered in `numbers` (from 1) kept, in order.
std::vector<record> numbered(const std::vector<record>& all, const std::vector<int>& numbers) {
  std::vector<record> kept;
  for (const int k : numbers) kept.push_back(all[static_cast<std::size_t>(k - 1)]);
  return kept;
}

// Runs that succeed: the log and the arguments in, temp.mat with `rows` rows of the records
// `taken` out (every other row 0), compared bit for bit.
TEST(RecmatRun, Extracts) {
  const std::vector<record> five = sample_records(5, {2}), eight = sample_records(8, {3}),
                            ten = sample_records(10, {2}), three = sample_records(3),
                            two = sample_records(2);
  std::vector<record> long_line = two;
  long_line[0].lines[6] = std::string(150, 'x');  // read as 99 x, one dropped, then 50 x
  std::string cut_log = log_of({three[0], three[1]});
  for (int line = 0; line < 3; ++line) cut_log += three[2].lines[std::size_t(line)] + "\n\r";
  record partial = three[2];  // the fields of its lines 4 to 6 are never read
  for (int c = 13; c <= recmat_test::columns; ++c) partial.values[std::size_t(c - 1)] = 0;
  const std::vector<record> most = sample_records(recmat::max_ndatapts + 1);
  const record rounded = rounded_record();
  struct Row {
    std::string what;
    std::string log;
    std::string ndatapts, stepsize;
    int rows;
    std::vector<record> taken;
  };
  const Row rows[] = {
      {"step 1 around a marker", log_of(five), "4", "1", 4, numbered(five, {1, 2, 4, 5})},
      {"step 2 around a marker", log_of(eight), "4", "2", 4, numbered(eight, {2, 5, 7})},
      {"step 3 around a marker", log_of(ten), "4", "3", 4, numbered(ten, {5, 8})},
      {"single-precision values widened", log_of({rounded}), "1", "1", 1, {rounded}},
      {"LF CR line ends", log_of(three, "\n\r"), "3", "1", 3, three},
      {"LF LF line ends", log_of(three, "\n\n"), "3", "1", 3, three},
      {"LF line ends", log_of(three, "\n"), "3", "1", 3, three},
      {"CR LF line ends", log_of(three, "\r\n"), "3", "1", 3, three},
      {"a long line goes on as the next line",
       log_of(long_line),
       "2",
       "1",
       2,
       {long_line[0], shifted_record()}},
      {"rows the log does not reach stay 0", cut_log, "5", "1", 5, {three[0], three[1], partial}},
      {"an empty log", "", "4", "1", 4, {}},
      {"ndatapts 0", log_of(two), "0", "1", 0, {}},
      {"ndatapts without digits", log_of(two), "abc", "1", 0, {}},
      {"ndatapts negative", log_of(two), "-3", "1", 0, {}},
      {"ndatapts cut to the most rows", log_of(most), "60000", "1", recmat::max_ndatapts,
       std::vector<record>(most.begin(), most.end() - 1)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    testsupport::scratch_dir dir;
    dir.write("station.log", r.log);
    expect_clean_success(run_recmat(dir.path(), {"station.log", r.ndatapts, r.stepsize}));
    recmat_test::expect_kvodata(dir.path(), r.rows, recmat_test::expected_matrix(r.taken, r.rows));
  }
}

// Runs that fail: status 255, one line on standard error, and no temp.mat.
TEST(RecmatRun, Refuses) {
  struct Row {
    std::string what;
    std::vector<std::string> args;
    std::string err;
    std::set<std::string> left;  // the directory's entries after the run
    std::string argv0 = {};
  };
  const std::string usage = "./tools/rm" + usage_tail;
  const Row rows[] = {
      {"no arguments", {}, usage, {"station.log", "logdir"}, "./tools/rm"},
      {"two arguments", {"station.log", "1"}, usage, {"station.log", "logdir"}, "./tools/rm"},
      {"four arguments",
       {"station.log", "1", "1", "extra"},
       usage,
       {"station.log", "logdir"},
       "./tools/rm"},
      {"a missing log",
       {"missing.log", "1", "1"},
       "Error: Cannot open file missing.log\n",
       {"station.log", "logdir"}},
      {"a log that is a directory",
       {"logdir", "1", "1"},
       "Error: Cannot read file logdir\n",
       {"station.log", "logdir"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    testsupport::scratch_dir dir;
    dir.write("station.log", log_of(sample_records(1)));
    fs::create_directory(dir / "logdir");
    const auto run = testsupport::run_program(RECMAT_PROGRAM, r.args, "", dir.path(), r.argv0);
    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, r.err);
    EXPECT_EQ(testsupport::file_names(dir.path()), r.left);
  }
}

// temp.mat cannot be made: in a directory that takes no file, or where a directory has its
// name (left alone).
TEST(RecmatRun, ATempMatThatCannotBeMadeIsAWriteError) {
  for (const bool in_proc : {true, false}) {
    SCOPED_TRACE(in_proc ? "in /proc" : "a directory named temp.mat");
    testsupport::scratch_dir dir;
    const fs::path log = dir.write("station.log", log_of(sample_records(1)));
    if (!in_proc) fs::create_directory(dir / "temp.mat");
    const auto run = run_recmat(in_proc ? fs::path("/proc") : dir.path(), {log.string(), "1", "1"});
    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, cannot_write);
    const std::set<std::string> left = in_proc ? std::set<std::string>{"station.log"}
                                               : std::set<std::string>{"station.log", "temp.mat"};
    EXPECT_EQ(testsupport::file_names(dir.path()), left);
  }
}

TEST(RecmatRun, AWriteCutShortKeepsTheOlderFileAndLeavesNoOther) {
  // Under a file size limit (in 512-byte blocks) writes fail part way: in the header, in
  // the array's tags, in its data.
  for (const char* blocks : {"0", "1", "100"}) {
    SCOPED_TRACE(std::string("limit of ") + blocks + " blocks");
    testsupport::scratch_dir dir;
    dir.write("empty.log", "");
    dir.write("temp.mat", "older run\n");
    const std::string script =
        std::string("trap '' XFSZ; ulimit -f ") + blocks + "; exec \"$0\" \"$@\"";
    const auto run = testsupport::run_program(
        "/bin/sh",
        {"-c", script, RECMAT_PROGRAM, "empty.log", std::to_string(recmat::max_ndatapts), "1"}, "",
        dir.path());
    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(run.err, cannot_write);
    EXPECT_EQ(dir.read("temp.mat"), "older run\n");
    EXPECT_EQ(testsupport::file_names(dir.path()),
              (std::set<std::string>{"empty.log", "temp.mat"}));
  }
}

TEST(RecmatRun, ReplacesTempMatWithTheSameBytesKeepingItsPermissions) {
  testsupport::scratch_dir dir;
  const std::vector<record> all = sample_records(2);
  dir.write("station.log", log_of(all));
  expect_clean_success(run_recmat(dir.path(), {"station.log", "2", "1"}));
  const std::string first = dir.read("temp.mat");
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(static_cast<mode_t>(fs::status(dir / "temp.mat").permissions()), 0666 & ~mask);
  // A second run replaces an older file with the same bytes as the first and keeps the
  // permissions the older file had.
  dir.write("temp.mat", "older run\n");
  fs::permissions(dir / "temp.mat", fs::perms::owner_read | fs::perms::owner_write);
  expect_clean_success(run_recmat(dir.path(), {"station.log", "2", "1"}));
  EXPECT_EQ(dir.read("temp.mat"), first);
  EXPECT_EQ(fs::status(dir / "temp.mat").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(testsupport::file_names(dir.path()),
            (std::set<std::string>{"station.log", "temp.mat"}));
  recmat_test::expect_kvodata(dir.path(), 2, recmat_test::expected_matrix(all, 2));
}

}  // namespace
