// A small layer over matio offering the MAT-file calls recmat makes: open, create a double
// matrix, name it, reach its data, put it, destroy it, close.
#pragma once

#include <matio.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "recmat/mat_check.h"

namespace recmat::mat {

// A real double-precision matrix on its way into a MAT-file, its data column-major.
class double_matrix {
 public:
  // Makes a zeroed rows-by-columns real matrix without a name. Throws std::bad_alloc.
  double_matrix(std::size_t rows, std::size_t columns);

  // Sets the name under which the matrix is stored in the file.
  void set_name(std::string name) { name_ = std::move(name); }

  // Room for rows * columns doubles, element (r, c) counted from 0 at c * rows + r.
  double* data() { return data_.data(); }
  const double* data() const { return data_.data(); }

  const std::string& name() const { return name_; }
  std::size_t rows() const { return rows_; }
  std::size_t columns() const { return columns_; }

 private:
  std::size_t rows_;
  std::size_t columns_;
  std::string name_;
  std::vector<double> data_;
};

// A Level 5 MAT-file being written, uncompressed. It is written under a temporary name in
// the same directory and takes its own name only when closed successfully, so a failed run
// leaves neither a partial file nor a stray temporary one, and an older file of that name
// stays as it was. The destructor discards an unfinished file, and so does an interrupt,
// termination request, hang-up or quit signal that ends the run while it is written.
class mat_file {
 public:
  mat_file() = default;
  mat_file(const mat_file&) = delete;
  mat_file& operator=(const mat_file&) = delete;
  ~mat_file();

  // Starts the file `name` afresh. Returns false when it cannot be created.
  bool open(const std::string& name);

  // Writes `matrix` into the file under its name. Returns false on failure. The file
  // must be open.
  bool put(const double_matrix& matrix);

  // Completes the file, checks by reading it back that every matrix put is in it intact,
  // and gives it its name, replacing any older file. Returns false on any failure; the
  // older file then stays untouched.
  bool close();

 private:
  void discard();

  mat_t* mat_ = nullptr;
  std::string name_;
  std::string temporary_name_;
  std::vector<expected_array> written_;  // what put() handed over, for the check at close
};

}  // namespace recmat::mat
