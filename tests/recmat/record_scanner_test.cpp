// The scanner: which records are taken, the marker, the line formats, the end of the log.
#include "recmat/record_scanner.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <limits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "recmat/fatal_error.h"
#include "tests/recmat/log_text.h"
#include "tests/support/run_program.h"

namespace {

using recmat_test::record;
using recmat_test::sample_record;

recmat::log_reader log_holding(const std::string& text) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) throw std::runtime_error("tmpfile failed");
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  return recmat::log_reader(file, "memory.log");
}

// Records 1 to `count`; those numbered in `marked` have a line 7 that begins with "1997:".
std::vector<record> records(int count, const std::set<int>& marked = {}) {
  std::vector<record> all;
  for (int k = 1; k <= count; ++k) {
    all.push_back(sample_record(k));
    if (marked.count(k) != 0) all.back().lines[6] = "1997:12:31 station closed";
  }
  return all;
}

// Every value of `buffers` equals `expected` (column-major), compared bit for bit.
void expect_buffers(const recmat::extraction_buffers& buffers, const std::vector<double>& expected) {
  const int rows = buffers.rows();
  for (int c = 1; c <= recmat::extraction_buffers::column_count; ++c)
    for (int r = 0; r < rows; ++r) {
      const double want = expected[static_cast<std::size_t>((c - 1) * rows + r)];
      const double got = buffers.at(c, r);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want))
          << "row " << r << " column " << c << ": " << got << " instead of " << want;
    }
}

struct selection_case {
  const char* name;
  int record_count;
  std::set<int> marked;
  int ndatapts;
  int stepsize;
  std::vector<int> taken;  // records that fill rows 0, 1, ...
};

const std::vector<selection_case> selection_cases = {
    {"step 1 takes every record", 3, {}, 3, 1, {1, 2, 3}},
    {"step 2 takes every second record", 6, {}, 5, 2, {2, 4, 6}},
    {"step 3 takes every third record", 7, {}, 5, 3, {3, 6}},
    {"step 0 takes every record", 3, {}, 3, 0, {1, 2, 3}},
    {"negative step takes every record", 3, {}, 4, -4, {1, 2, 3}},
    {"smallest step takes every record", 3, {}, 3, INT_MIN, {1, 2, 3}},
    {"largest step reads to the end", 3, {}, 3, INT_MAX, {}},
    {"ndatapts ends the scan", 5, {}, 2, 1, {1, 2}},
    {"step 1: a marker refuses the next record", 4, {1}, 4, 1, {1, 3, 4}},
    {"step 1: markers in a row", 5, {1, 2}, 5, 1, {1, 4, 5}},
    {"step 1: a marker on the last record", 3, {3}, 5, 1, {1, 2, 3}},
    {"step 2: a marker on a skipped record", 8, {3}, 5, 2, {2, 5, 7}},
    {"step 3: a marker on a skipped record", 9, {5}, 5, 3, {3, 8}},
    {"step 3: the marker on a taken record is not tested", 9, {3}, 5, 3, {3, 6, 9}},
};

TEST(ScanLog, TakesTheRecordsOfTheStepAndRefusesThoseAfterAMarker) {
  for (const selection_case& c : selection_cases) {
    SCOPED_TRACE(c.name);
    const std::vector<record> all = records(c.record_count, c.marked);
    recmat::log_reader log = log_holding(recmat_test::log_of(all));
    recmat::extraction_buffers buffers(c.ndatapts);
    std::vector<record> taken;
    for (int k : c.taken) taken.push_back(all[static_cast<std::size_t>(k - 1)]);
    EXPECT_EQ(recmat::scan_log(log, c.stepsize, buffers), static_cast<int>(c.taken.size()));
    expect_buffers(buffers, recmat_test::expected_matrix(taken, c.ndatapts));
  }
}

TEST(ScanLog, AHugeStepOnALongLogEndsAtTheEndOfTheLog) {
  recmat::log_reader log = log_holding(recmat_test::log_of(records(2000)));
  recmat::extraction_buffers buffers(10);
  EXPECT_EQ(recmat::scan_log(log, INT_MAX, buffers), 0);  // 7 * (2^31 - 2) reads unless it stops
  EXPECT_TRUE(log.at_end());
}

TEST(ScanLog, AReadAtTheEndOfTheLogIsNotParsed) {
  // Line 7 would fill columns 1 to 6 if the line buffer were parsed again as line 1.
  std::vector<record> all = records(1);
  all[0].lines[6] = "7.5:8.5:9.5:1.5:2.5:3.5";
  recmat::log_reader log = log_holding(recmat_test::log_of(all));
  recmat::extraction_buffers buffers(2);
  EXPECT_EQ(recmat::scan_log(log, 1, buffers), 1);
  expect_buffers(buffers, recmat_test::expected_matrix(all, 2));
}

TEST(ScanLog, ARecordCutByTheEndOfTheLogKeepsWhatItsLinesGave) {
  const std::vector<record> all = records(2);
  std::string text = recmat_test::log_of({all[0]});
  for (int line = 0; line < 3; ++line) text += all[1].lines[static_cast<std::size_t>(line)] + "\n\r";
  recmat::log_reader log = log_holding(text);
  recmat::extraction_buffers buffers(3);
  EXPECT_EQ(recmat::scan_log(log, 1, buffers), 1);
  record partial = all[1];
  for (int c = 13; c <= 23; ++c) partial.values[static_cast<std::size_t>(c - 1)] = 0.0f;
  expect_buffers(buffers, recmat_test::expected_matrix({all[0], partial}, 3));
}

TEST(ScanLog, NoRowsMeansNoRead) {
  testsupport::scratch_dir dir;
  const std::string name = dir.path().string();
  std::FILE* stream = std::fopen(name.c_str(), "r");  // any read of a directory fails
  ASSERT_NE(stream, nullptr);
  recmat::log_reader log(stream, name);
  recmat::extraction_buffers buffers(0);
  EXPECT_EQ(recmat::scan_log(log, 1, buffers), 0);
}

TEST(ScanLog, AReadErrorEndsTheScanWithItsMessage) {
  testsupport::scratch_dir dir;
  const std::string name = dir.path().string();
  std::FILE* stream = std::fopen(name.c_str(), "r");
  ASSERT_NE(stream, nullptr);
  recmat::log_reader log(stream, name);
  recmat::extraction_buffers buffers(1);
  EXPECT_THROW(recmat::scan_log(log, 1, buffers), recmat::fatal_error);
}

struct line_case {
  int line;
  const char* text;
  std::map<int, float> values;  // column -> value; every other column stays 0
};

const float inf = std::numeric_limits<float>::infinity();

const std::vector<line_case> line_cases = {
    {1, "1997:05:12:10:30:15.5", {{1, 1997}, {2, 5}, {3, 12}, {4, 10}, {5, 30}, {6, 15.5f}}},
    {1, "1997:05:xx:10", {{1, 1997}, {2, 5}}},
    {1, "\r1997:05", {{1, 1997}, {2, 5}}},
    {1, "1997 :05", {{1, 1997}}},
    {2, "0.1:-0:0x1p-2:1e50", {{7, 0x1.99999ap-4f}, {8, -0.0f}, {9, 0.25f}, {10, inf}}},
    {3, "4512.3 58.25 N 11.125", {{11, 58.25f}, {12, 11.125f}}},
    {3, "4512.3 58.25 X 11.125", {{11, 58.25f}}},
    {3, "4512.3 58.25 n 11.125", {{11, 58.25f}}},
    {3, "4512.3 58.25N11.125", {{11, 58.25f}, {12, 11.125f}}},
    {3, "58.25 N 11.125", {}},
    {4, "  -1.25e2 volts", {{13, -125}}},
    {5, "1 2 3 4 5 6 7", {{14, 1}, {15, 2}, {16, 3}, {17, 6}, {18, 7}}},
    {5, "1 2 3 4.5 5 6 7", {{14, 1}, {15, 2}, {16, 3}}},
    {5, "1 2 3 -4 +5 6.5e1 7", {{14, 1}, {15, 2}, {16, 3}, {17, 65}, {18, 7}}},
    {6, "19\t20\n21 22 23 24", {{19, 19}, {20, 20}, {21, 21}, {22, 22}, {23, 23}}},
    {6, "", {}},
};

TEST(ParseRecordLine, StoresWhatTheLinesFormatConvertsUpToTheFirstMismatch) {
  for (const line_case& c : line_cases) {
    SCOPED_TRACE("line " + std::to_string(c.line) + ": " + c.text);
    recmat::extraction_buffers buffers(2);
    recmat::parse_record_line(c.line, c.text, buffers, 1);
    for (int column = 1; column <= 23; ++column)
      for (int row = 0; row < 2; ++row) {
        const auto found = c.values.find(column);
        const float want = row == 1 && found != c.values.end() ? found->second : 0.0f;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(buffers.at(column, row)),
                  std::bit_cast<std::uint32_t>(want))
            << "row " << row << " column " << column;
      }
  }
}

}  // namespace
