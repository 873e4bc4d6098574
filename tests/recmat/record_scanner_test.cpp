// The scanner: which records are taken, the marker, the end of the log.
#include "recmat/record_scanner.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tests/recmat/log_text.h"
#include "tests/recmat/memory_log.h"
#include "tests/support/run_program.h"

namespace {

using recmat_test::log_holding;
using recmat_test::record;
using recmat_test::sample_records;

// Every value of `buffers` equals `expected` (column-major), compared bit for bit.
void expect_buffers(const recmat::extraction_buffers& buffers,
                    const std::vector<double>& expected) {
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
    const std::vector<record> all = sample_records(c.record_count, c.marked);
    recmat::log_reader log = log_holding(recmat_test::log_of(all));
    recmat::extraction_buffers buffers(c.ndatapts);
    std::vector<record> taken;
    for (int k : c.taken) taken.push_back(all[static_cast<std::size_t>(k - 1)]);
    EXPECT_EQ(recmat::scan_log(log, c.stepsize, buffers), static_cast<int>(c.taken.size()));
    expect_buffers(buffers, recmat_test::expected_matrix(taken, c.ndatapts));
  }
}

TEST(ScanLog, AHugeStepOnALongLogEndsAtTheEndOfTheLog) {
  recmat::log_reader log = log_holding(recmat_test::log_of(sample_records(2000)));
  recmat::extraction_buffers buffers(10);
  EXPECT_EQ(recmat::scan_log(log, INT_MAX, buffers), 0);  // 7 * (2^31 - 2) reads unless it stops
  EXPECT_TRUE(log.at_end());
}

TEST(ScanLog, AReadAtTheEndOfTheLogIsNotParsed) {
  // Line 7 would fill columns 1 to 6 if the line buffer were parsed again as line 1.
  std::vector<record> all = sample_records(1);
  all[0].lines[6] = "7.5:8.5:9.5:1.5:2.5:3.5";
  recmat::log_reader log = log_holding(recmat_test::log_of(all));
  recmat::extraction_buffers buffers(2);
  EXPECT_EQ(recmat::scan_log(log, 1, buffers), 1);
  expect_buffers(buffers, recmat_test::expected_matrix(all, 2));
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

}  // namespace
