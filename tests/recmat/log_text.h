// Log texts for recmat's tests: seven-line records with known values.
#pragma once

#include <array>
#include <set>
#include <string>
#include <vector>

#include "recmat/extraction_buffers.h"

namespace recmat_test {

inline constexpr int columns = recmat::extraction_buffers::column_count;

// One record: its seven lines (without line ends) and the `columns` values they give, as the
// single-precision numbers recmat stores.
struct record {
  std::array<std::string, 7> lines;
  std::array<float, columns> values{};
};

// Record number `k` (from 1): every value distinct and exact in single precision, line 7
// reading "end <k>". Field 1 of line 3 and the two integers of line 5 are not extracted.
record sample_record(int k);

// Records 1 to `count`; those numbered in `marked` have a line 7 that begins with the
// marker "1997:", so the record after each of them is refused.
std::vector<record> sample_records(int count, const std::set<int>& marked = {});

// The records joined, every line followed by `line_end`.
std::string log_of(const std::vector<record>& records, const std::string& line_end = "\n\r");

// The rows-by-`columns` column-major matrix a run gives when row r receives the values of
// taken[r] and every other row stays 0.
std::vector<double> expected_matrix(const std::vector<record>& taken, int rows);

}  // namespace recmat_test
