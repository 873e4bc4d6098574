// Reads a MAT-file back with SciPy, an implementation independent of the one recmat uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace recmat_test {

struct mat_variable {
  std::string name;
  std::string mat_class;  // as scipy.io.whosmat names it: "double", "single", ...
  bool complex = false;
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::vector<std::uint64_t> bits;  // the real parts as binary64 bit patterns, column-major
};

struct mat_contents {
  std::string error;  // empty when the file was read
  std::vector<mat_variable> variables;
};

// Reads every variable of `file` with /usr/bin/python3 and scipy.io. When Python or SciPy
// is missing or the file cannot be read, `error` says so.
mat_contents read_mat_file(const std::filesystem::path& file);

// Checks that temp.mat in `dir` holds `kvodata` alone: double, real, rows x columns, equal to
// `expected` (column-major) bit for bit. Failures are reported through GoogleTest.
void expect_kvodata(const std::filesystem::path& dir, int rows,
                    const std::vector<double>& expected);

}  // namespace recmat_test
