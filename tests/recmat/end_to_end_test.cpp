// Whole runs of recmat in a scratch directory; temp.mat is read back with SciPy.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/recmat/log_text.h"
#include "tests/recmat/mat_reader.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using recmat_test::record;
using recmat_test::sample_records;

const std::string usage_tail = " Usage: filename ndatapts stepsize\n";
const std::string cannot_write = "Error: Cannot write file temp.mat\n";

testsupport::run_result run_recmat(const fs::path& dir, const std::vector<std::string>& args) {
  return testsupport::run_program(RECMAT_PROGRAM, args, "", dir);
}

void expect_clean_success(const testsupport::run_result& run) {
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

struct step_case {
  int stepsize;
  int record_count;
  std::set<int> marked;
  int ndatapts;
  std::vector<int> taken;
};

TEST(RecmatRun, TakesTheRecordsOfTheStepAroundMarkers) {
  const std::vector<step_case> cases = {
      {1, 5, {2}, 4, {1, 2, 4, 5}},
      {2, 8, {3}, 4, {2, 5, 7}},
      {3, 10, {2}, 4, {5, 8}},
  };
  for (const step_case& c : cases) {
    SCOPED_TRACE("stepsize " + std::to_string(c.stepsize));
    testsupport::scratch_dir dir;
    const std::vector<record> all = sample_records(c.record_count, c.marked);
    dir.write("station.log", recmat_test::log_of(all));
    expect_clean_success(run_recmat(
        dir.path(), {"station.log", std::to_string(c.ndatapts), std::to_string(c.stepsize)}));
    std::vector<record> taken;
    for (int k : c.taken) taken.push_back(all[static_cast<std::size_t>(k - 1)]);
    recmat_test::expect_kvodata(dir.path(), c.ndatapts,
                                recmat_test::expected_matrix(taken, c.ndatapts));
  }
}

TEST(RecmatRun, StoresTheSinglePrecisionValuesWidened) {
  testsupport::scratch_dir dir;
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
  dir.write("station.log", recmat_test::log_of({r}));
  expect_clean_success(run_recmat(dir.path(), {"station.log", "1", "1"}));
  const std::vector<double> expected = recmat_test::expected_matrix({r}, 1);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(expected[6]), 0x3FB99999A0000000u);  // the float 0.1
  recmat_test::expect_kvodata(dir.path(), 1, expected);
}

TEST(RecmatRun, ReadsLogsWithEveryKindOfLineEnd) {
  for (const std::string line_end : {"\n\r", "\n\n", "\n", "\r\n"}) {
    SCOPED_TRACE(line_end == "\n\r"   ? "LF CR"
                 : line_end == "\n\n" ? "LF LF"
                 : line_end == "\n"   ? "LF"
                                      : "CR LF");
    testsupport::scratch_dir dir;
    const std::vector<record> all = sample_records(3);
    dir.write("station.log", recmat_test::log_of(all, line_end));
    expect_clean_success(run_recmat(dir.path(), {"station.log", "3", "1"}));
    recmat_test::expect_kvodata(dir.path(), 3, recmat_test::expected_matrix(all, 3));
  }
}

TEST(RecmatRun, ALongLineGoesOnAsTheNextLine) {
  testsupport::scratch_dir dir;
  std::vector<record> all = sample_records(2);
  all[0].lines[6] = std::string(150, 'x');  // read as 99 x, one dropped, then 50 x
  dir.write("station.log", recmat_test::log_of(all));
  expect_clean_success(run_recmat(dir.path(), {"station.log", "2", "1"}));
  // Record 2 is read one line late: each of its lines meets the format of the next one.
  record shifted;
  shifted.values = {0,      0,      0, 0, 0, 0, 201.5f, 202.5f, 203.5f, 204.5f, 0,  0,
                    -7.25f, 213.5f, 0, 0, 0, 0, 214.5f, 215.5f, 216.5f, 41,     -42};
  recmat_test::expect_kvodata(dir.path(), 2, recmat_test::expected_matrix({all[0], shifted}, 2));
}

TEST(RecmatRun, RowsTheLogDoesNotReachStayZero) {
  testsupport::scratch_dir dir;
  const std::vector<record> all = sample_records(3);
  std::string log = recmat_test::log_of({all[0], all[1]});
  for (int line = 0; line < 3; ++line) log += all[2].lines[static_cast<std::size_t>(line)] + "\n\r";
  dir.write("station.log", log);
  expect_clean_success(run_recmat(dir.path(), {"station.log", "5", "1"}));
  record partial = all[2];
  for (int c = 13; c <= 23; ++c) partial.values[static_cast<std::size_t>(c - 1)] = 0;
  recmat_test::expect_kvodata(dir.path(), 5,
                              recmat_test::expected_matrix({all[0], all[1], partial}, 5));
}

TEST(RecmatRun, AnEmptyLogGivesZeroRows) {
  testsupport::scratch_dir dir;
  dir.write("empty.log", "");
  expect_clean_success(run_recmat(dir.path(), {"empty.log", "4", "1"}));
  recmat_test::expect_kvodata(dir.path(), 4, std::vector<double>(4 * 23, 0.0));
}

TEST(RecmatRun, NdataptsWithoutPositiveDigitsGivesAnEmptyMatrix) {
  for (const char* ndatapts : {"0", "abc", "-3"}) {
    SCOPED_TRACE(ndatapts);
    testsupport::scratch_dir dir;
    dir.write("station.log", recmat_test::log_of(sample_records(2)));
    expect_clean_success(run_recmat(dir.path(), {"station.log", ndatapts, "1"}));
    recmat_test::expect_kvodata(dir.path(), 0, {});
  }
}

TEST(RecmatRun, NdataptsIsCutTo50000Rows) {
  testsupport::scratch_dir dir;
  const std::vector<record> all = sample_records(50001);
  dir.write("station.log", recmat_test::log_of(all));
  expect_clean_success(run_recmat(dir.path(), {"station.log", "60000", "1"}));
  recmat_test::expect_kvodata(dir.path(), 50000, recmat_test::expected_matrix(all, 50000));
}

TEST(RecmatRun, AWrongArgumentCountGivesTheUsageLedByTheProgramName) {
  const std::vector<std::vector<std::string>> argument_lists = {
      {}, {"station.log", "1"}, {"station.log", "1", "1", "extra"}};
  for (const auto& args : argument_lists) {
    SCOPED_TRACE(std::to_string(args.size()) + " arguments");
    testsupport::scratch_dir dir;
    dir.write("station.log", recmat_test::log_of(sample_records(1)));
    const auto run = testsupport::run_program(RECMAT_PROGRAM, args, "", dir.path(), "./tools/rm");
    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "./tools/rm" + usage_tail);
    EXPECT_EQ(testsupport::file_names(dir.path()), std::set<std::string>{"station.log"});
  }
}

TEST(RecmatRun, ALogThatCannotBeOpenedOrReadGivesNoMatFile) {
  testsupport::scratch_dir dir;
  fs::create_directory(dir / "logdir");
  const auto missing = run_recmat(dir.path(), {"missing.log", "1", "1"});
  EXPECT_EQ(missing.exit_status, 255);
  EXPECT_EQ(missing.err, "Error: Cannot open file missing.log\n");
  const auto directory = run_recmat(dir.path(), {"logdir", "1", "1"});
  EXPECT_EQ(directory.exit_status, 255);
  EXPECT_EQ(directory.err, "Error: Cannot read file logdir\n");
  EXPECT_EQ(testsupport::file_names(dir.path()), std::set<std::string>{"logdir"});
}

TEST(RecmatRun, ADirectoryWhereNoFileCanBeMadeGivesAWriteError) {
  testsupport::scratch_dir dir;
  const fs::path log = dir.write("station.log", recmat_test::log_of(sample_records(1)));
  const auto run = run_recmat("/proc", {log.string(), "1", "1"});  // no file can be made in /proc
  EXPECT_EQ(run.exit_status, 255);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, cannot_write);
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
        "/bin/sh", {"-c", script, RECMAT_PROGRAM, "empty.log", "50000", "1"}, "", dir.path());
    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(run.err, cannot_write);
    EXPECT_EQ(dir.read("temp.mat"), "older run\n");
    EXPECT_EQ(testsupport::file_names(dir.path()),
              (std::set<std::string>{"empty.log", "temp.mat"}));
  }
}

TEST(RecmatRun, ADirectoryNamedTempMatIsLeftAlone) {
  testsupport::scratch_dir dir;
  dir.write("station.log", recmat_test::log_of(sample_records(1)));
  fs::create_directory(dir / "temp.mat");
  const auto run = run_recmat(dir.path(), {"station.log", "1", "1"});
  EXPECT_EQ(run.exit_status, 255);
  EXPECT_EQ(run.err, cannot_write);
  EXPECT_TRUE(fs::is_directory(dir / "temp.mat"));
  EXPECT_EQ(testsupport::file_names(dir.path()),
            (std::set<std::string>{"station.log", "temp.mat"}));
}

TEST(RecmatRun, ReplacesTempMatWithTheSameBytesKeepingItsPermissions) {
  testsupport::scratch_dir dir;
  const std::vector<record> all = sample_records(2);
  dir.write("station.log", recmat_test::log_of(all));
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
