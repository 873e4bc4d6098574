// The column buffers the scanner fills (one per extracted number) and the staging matrix they are
// widened into.
#pragma once

#include <cstddef>
#include <vector>

namespace recmat {

// Owns, from start-up to the end of the run, one zeroed single-precision buffer of
// `rows` values per extracted column and one zeroed rows-by-column_count column-major matrix of
// doubles for the MAT-file.
class extraction_buffers {
 public:
  static constexpr int column_count = 23;

  // Allocates the staging matrix, then the column buffers, all zeroed. `rows` must be 0
  // or more. Throws std::bad_alloc when memory runs out.
  explicit extraction_buffers(int rows);

  int rows() const { return rows_; }

  // Value of row `row` (0 to rows() - 1) of column `column` (1 to column_count).
  float& at(int column, int row) { return columns_[index(column, row)]; }
  float at(int column, int row) const { return columns_[index(column, row)]; }

  // Widens every column into the staging matrix, row r of column c at (c - 1) * rows + r,
  // and returns the matrix. Exact: every float is a double.
  const std::vector<double>& widen();

 private:
  // Column c's buffer lies at (c - 1) * rows_ in columns_, in the staging matrix's order.
  std::size_t index(int column, int row) const {
    return static_cast<std::size_t>(column - 1) * static_cast<std::size_t>(rows_) +
           static_cast<std::size_t>(row);
  }

  int rows_;
  std::vector<double> staging_;
  std::vector<float> columns_;
};

}  // namespace recmat
