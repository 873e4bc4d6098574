// Sample records and the matrices they give, for recmat's tests.
#include "tests/recmat/log_text.h"

#include <cstddef>
#include <string>

namespace recmat_test {
namespace {

// Value of column c (1 to columns) of record k: k * 100 + c + 0.5 is exact in single precision
// for k up to 80,000 (below 2^23 with one binary fraction digit).
float value(int k, int c) {
  return static_cast<float>(k * 100 + c) + 0.5f;
}

std::string text(int k, int c) {
  return std::to_string(k * 100 + c) + ".5";
}

std::string joined(int k, int first, int last, const char* separator) {
  std::string line = text(k, first);
  for (int c = first + 1; c <= last; ++c) line += separator + text(k, c);
  return line;
}

}  // namespace

record sample_record(int k) {
  record r;
  r.lines[0] = joined(k, 1, 6, ":");
  r.lines[1] = joined(k, 7, 10, ":");
  r.lines[2] = "-7.25 " + text(k, 11) + " N " + text(k, 12);
  r.lines[3] = text(k, 13);
  r.lines[4] = joined(k, 14, 16, " ") + " 41 -42 " + joined(k, 17, 18, " ");
  r.lines[5] = joined(k, 19, 23, " ");
  r.lines[6] = "end " + std::to_string(k);
  for (int c = 1; c <= columns; ++c) r.values[static_cast<std::size_t>(c - 1)] = value(k, c);
  return r;
}

std::vector<record> sample_records(int count, const std::set<int>& marked) {
  std::vector<record> all;
  for (int k = 1; k <= count; ++k) {
    all.push_back(sample_record(k));
    if (marked.count(k) != 0) all.back().lines[6] = "1997:12:31 station closed";
  }
  return all;
}

std::string log_of(const std::vector<record>& records, const std::string& line_end) {
  std::string log;
  for (const record& r : records)
    for (const std::string& line : r.lines) log += line + line_end;
  return log;
}

std::vector<double> expected_matrix(const std::vector<record>& taken, int rows) {
  const auto n = static_cast<std::size_t>(rows);
  std::vector<double> matrix(n * columns, 0.0);
  for (std::size_t r = 0; r < taken.size() && r < n; ++r)
    for (std::size_t c = 0; c < columns; ++c) matrix[c * n + r] = taken[r].values[c];
  return matrix;
}

}  // namespace recmat_test
