// Hostile logs end to end: recmat on logs cut short, with carriage-return line ends, NUL
// bytes, binary garbage, a line of a megabyte and a file that cannot be read. Each row
// checks standard output, standard error, the exit status and temp.mat, read back by SciPy.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/recmat/log_text.h"
#include "tests/recmat/mat_reader.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using recmat_test::record;

// A row of the matrix: the given leading columns, the rest 0.
record row_of(std::vector<float> leading) {
  record r;
  for (std::size_t c = 0; c < leading.size(); ++c) r.values[c] = leading[c];
  return r;
}

struct log_case {
  std::string name;
  std::string log;  // bytes of station.log; its path replaced by `log_path` when given
  std::string log_path;
  int ndatapts;
  std::vector<record> rows;  // the rows taken, in order; the others stay 0
  std::string err;           // when set, the run fails with exit status 255, no temp.mat
};

void run_cases(const std::vector<log_case>& cases) {
  for (const log_case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::scratch_dir dir;
    dir.write("station.log", c.log);
    const std::string path = c.log_path.empty() ? "station.log" : c.log_path;
    const auto r = testsupport::run_program(RECMAT_PROGRAM, {path, std::to_string(c.ndatapts), "1"},
                                            "", dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exit_status, c.err.empty() ? 0 : 255);
    const std::set<std::string> names = testsupport::file_names(dir.path());
    if (!c.err.empty()) {
      EXPECT_EQ(names, std::set<std::string>{"station.log"});
      continue;
    }
    EXPECT_EQ(names, (std::set<std::string>{"station.log", "temp.mat"}));
    recmat_test::expect_kvodata(dir.path(), c.ndatapts,
                                recmat_test::expected_matrix(c.rows, c.ndatapts));
  }
}

const record first = recmat_test::sample_record(1);

TEST(HostileLog, RecordsCutShort) {
  const std::string full = recmat_test::log_of({first});
  run_cases({
      // The number cut by the end of the log is complete; scanning ends at the next test.
      {"cut inside record line 1", "1997:05:12:10:3", "", 2, {row_of({1997, 5, 12, 10, 3})}, ""},
      {"cut inside record line 5 of the second record",
       full + "1:2:3:4:5:6\n\r7:8:9:10\n\r0 11 N 12\n\r13\n\r14 15 16",
       "",
       3,
       {first, row_of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})},
       ""},
  });
}

TEST(HostileLog, CarriageReturnLineEnds) {
  run_cases({
      // No newline at all: the log is one line, read whole, parsed as record line 1.
      {"a log shorter than the line buffer",
       "1:2:3:4:5:6\r7:8:9:10\r0 11 N 12\r13\r",
       "",
       2,
       {row_of({1, 2, 3, 4, 5, 6})},
       ""},
      // 99 characters fill the buffer, the 100th is dropped, the rest is record line 2.
      {"a log longer than the line buffer",
       "1:2:3:4:5:6\r" + std::string(87, 'x') + "Z7:8:9:10\r",
       "",
       1,
       {row_of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})},
       ""},
  });
}

TEST(HostileLog, NulBytesAndGarbage) {
  record with_nul =
      row_of({12, 0, 0, 0, 0, 0, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23});
  std::string garbage;
  for (int b = 0x80; b <= 0xff; ++b) garbage += static_cast<char>(b);
  garbage += std::string("\n\r\0\0\n\r", 6) + garbage + "\n\r";
  run_cases({
      // The line is read past its NUL byte, but parsing sees the text before it.
      {"a NUL byte inside record line 1",
       std::string("12\0:34:56:78:90:11\n\r", 20) +
           "7:8:9:10\n\r0 11 N 12\n\r13\n\r14 15 16 1 2 17 18\n\r19 20 21 22 23\n\rend\n\r",
       "",
       1,
       {with_nul},
       ""},
      {"binary garbage gives rows of zeros", garbage, "", 3, {}, ""},
  });
}

TEST(HostileLog, AMegabyteLine) {
  // 1,048,576 blanks read as 10,485 cut lines of 99 (each dropping one more blank) and a
  // last line of 76 blanks and the newline: 10,486 lines, exactly 1,498 records of blanks
  // that fill no column, then the sample records in whole.
  const std::vector<record> samples = recmat_test::sample_records(2);
  std::vector<record> rows(1498);
  rows.insert(rows.end(), samples.begin(), samples.end());
  run_cases({
      {"a first line of 1 MB of blanks",
       std::string(std::size_t{1} << 20, ' ') + "\n\r" + recmat_test::log_of(samples), "", 1500,
       rows, ""},
  });
}

TEST(HostileLog, UnreadableLog) {
  run_cases({
      // Opens, but reading its first bytes (address 0) fails.
      {"a log that opens but cannot be read",
       "",
       "/proc/self/mem",
       1,
       {},
       "Error: Cannot read file /proc/self/mem\n"},
      {"a path through a regular file",
       "",
       "station.log/more",
       1,
       {},
       "Error: Cannot open file station.log/more\n"},
  });
}

}  // namespace
