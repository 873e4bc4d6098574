// The MAT-file layer of recmat over matio: a Level 5 file, written whole or not at all.
#include "recmat/mat_layer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

#include "recmat/signal_cleanup.h"

namespace recmat::mat {
namespace {

// Fixed header text: no date in it, so the same log gives the same file byte for byte.
constexpr const char* header_text = "MATLAB 5.0 MAT-file, created by recmat";

// matio reports its failures on standard error; recmat reports them itself.
void ignore_library_message(int, char*) {}

// Permissions for the new file: those of the file it replaces, as writing over that file in
// place would keep them; else what creating it would give under the process's umask.
mode_t permissions_for(const std::string& name) {
  struct stat old {};
  if (::stat(name.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

double_matrix::double_matrix(std::size_t rows, std::size_t columns)
    : rows_(rows), columns_(columns), data_(rows * columns) {}

mat_file::~mat_file() {
  discard();
}

bool mat_file::open(const std::string& name) {
  Mat_LogInitFunc("recmat", ignore_library_message);
  name_ = name;
  std::string pattern = name + ".XXXXXX";
  const int fd = create_temporary_file(pattern);
  if (fd < 0) return false;
  temporary_name_ = std::move(pattern);  // cannot throw: the file just made is always known
  const bool permitted = ::fchmod(fd, permissions_for(name)) == 0;
  ::close(fd);
  if (permitted) mat_ = Mat_CreateVer(temporary_name_.c_str(), header_text, MAT_FT_MAT5);
  if (mat_ != nullptr) return true;
  discard();
  return false;
}

bool mat_file::put(const double_matrix& matrix) {
  if (mat_ == nullptr) return false;
  std::size_t dims[2] = {matrix.rows(), matrix.columns()};
  // matio only reads the data when writing; it keeps the pointer and never frees it.
  matvar_t* variable = Mat_VarCreate(matrix.name().c_str(), MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims,
                                     const_cast<double*>(matrix.data()), MAT_F_DONT_COPY_DATA);
  if (variable == nullptr) return false;
  const int status = Mat_VarWrite(mat_, variable, MAT_COMPRESSION_NONE);
  Mat_VarFree(variable);
  if (status != MATIO_E_NO_ERROR) return false;
  const std::size_t values = matrix.rows() * matrix.columns();
  written_.push_back({values, digest_of(matrix.data(), values)});
  return true;
}

bool mat_file::close() {
  if (mat_ == nullptr) return false;
  // matio does not look at the results of its own writes: a full disk or a file size
  // limit would pass unseen. Reading the file back is what shows that it is complete.
  const int status = Mat_Close(std::exchange(mat_, nullptr));
  if (status != MATIO_E_NO_ERROR || !file_holds(temporary_name_, written_) ||
      std::rename(temporary_name_.c_str(), name_.c_str()) != 0) {
    discard();
    return false;
  }
  forget_temporary_file();
  temporary_name_.clear();
  return true;
}

void mat_file::discard() {
  if (mat_ != nullptr) Mat_Close(std::exchange(mat_, nullptr));
  if (!temporary_name_.empty()) ::unlink(temporary_name_.c_str());
  forget_temporary_file();
  temporary_name_.clear();
}

}  // namespace recmat::mat
