// The MAT-file layer of recmat over matio: a Level 5 file, written whole or not at all.
#include "recmat/mat_layer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace recmat::mat {
namespace {

// Fixed header text: no date in it, so the same log gives the same file byte for byte.
constexpr const char* header_text = "MATLAB 5.0 MAT-file, created by recmat";

// FNV-1a over 64-bit words (offset basis 14695981039346656037, prime 1099511628211): enough
// to tell the data read back from the data written.
std::uint64_t digest_of(const double* data, std::size_t count) {
  std::uint64_t digest = 14695981039346656037ull;
  for (std::size_t i = 0; i < count; ++i)
    digest = (digest ^ std::bit_cast<std::uint64_t>(data[i])) * 1099511628211ull;
  return digest;
}

// Size of the text, subsystem and version header that opens a Level 5 MAT-file.
constexpr long header_bytes = 128;
// Data type of an uncompressed array element.
constexpr std::uint32_t mi_matrix = 14;

// Tag of a data element: its type and the byte count of its data, padding not counted.
// A small element (data of at most 4 bytes within the tag) has a nonzero upper half in
// the type word and takes 8 bytes in all.
struct element_tag {
  std::uint32_t type = 0;
  std::uint32_t bytes = 0;
  bool small() const { return (type >> 16) != 0; }
  long span() const { return small() ? 8 : 8 + ((static_cast<long>(bytes) + 7) / 8) * 8; }
};

bool read_tag(std::FILE* file, long position, element_tag& tag) {
  unsigned char raw[8];
  if (std::fseek(file, position, SEEK_SET) != 0 || std::fread(raw, 1, 8, file) != 8) return false;
  std::memcpy(&tag.type, raw, 4);  // written in this machine's byte order
  std::memcpy(&tag.bytes, raw + 4, 4);
  return true;
}

// Whether the array element at `position` is whole: its sub-elements end exactly where
// the element ends. matio fixes the element's byte count from where its writing stopped,
// so a write cut short leaves a data sub-element reaching past the element's end.
bool array_element_whole(std::FILE* file, long position, const element_tag& array) {
  const long end = position + 8 + static_cast<long>(array.bytes);
  long sub = position + 8;
  element_tag tag;
  while (sub < end && read_tag(file, sub, tag)) sub += tag.span();
  return sub == end;
}

// Whether the file `path` holds exactly `count` whole uncompressed array elements after
// its header and ends where the last of them ends.
bool elements_fill_file(const std::string& path, std::size_t count) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bool whole = std::fseek(file, 0, SEEK_END) == 0;
  const long size = std::ftell(file);
  long position = header_bytes;
  std::size_t found = 0;
  element_tag tag;
  while (whole && position < size) {
    whole = read_tag(file, position, tag) && tag.type == mi_matrix &&
            array_element_whole(file, position, tag);
    position += 8 + static_cast<long>(tag.bytes);
    ++found;
  }
  std::fclose(file);
  return whole && position == size && found == count;
}

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

mat_file::~mat_file() { discard(); }

bool mat_file::open(const std::string& name) {
  Mat_LogInitFunc("recmat", ignore_library_message);
  name_ = name;
  std::string pattern = name + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  temporary_name_ = pattern;
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
  matvar_t* variable =
      Mat_VarCreate(matrix.name().c_str(), MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims,
                    const_cast<double*>(matrix.data()), MAT_F_DONT_COPY_DATA);
  if (variable == nullptr) return false;
  const int status = Mat_VarWrite(mat_, variable, MAT_COMPRESSION_NONE);
  Mat_VarFree(variable);
  if (status != MATIO_E_NO_ERROR) return false;
  written_.push_back({matrix.name(), matrix.rows(), matrix.columns(),
                      digest_of(matrix.data(), matrix.rows() * matrix.columns())});
  return true;
}

bool mat_file::close() {
  if (mat_ == nullptr) return false;
  // matio does not look at the results of its own writes: a full disk or a file size
  // limit would pass unseen. Reading the file back is what shows that it is complete.
  const int status = Mat_Close(std::exchange(mat_, nullptr));
  if (status != MATIO_E_NO_ERROR || !verify() ||
      std::rename(temporary_name_.c_str(), name_.c_str()) != 0) {
    discard();
    return false;
  }
  temporary_name_.clear();
  return true;
}

bool mat_file::verify() const {
  return elements_fill_file(temporary_name_, written_.size()) && read_back_matches();
}

bool mat_file::read_back_matches() const {
  mat_t* check = Mat_Open(temporary_name_.c_str(), MAT_ACC_RDONLY);
  if (check == nullptr) return false;
  bool intact = true;
  for (const written_matrix& expected : written_) {
    matvar_t* variable = Mat_VarReadNext(check);
    intact = variable != nullptr && variable->name != nullptr && expected.name == variable->name &&
             variable->class_type == MAT_C_DOUBLE && variable->isComplex == 0 &&
             variable->rank == 2 && variable->dims[0] == expected.rows &&
             variable->dims[1] == expected.columns &&
             (expected.rows * expected.columns == 0 || variable->data != nullptr) &&
             digest_of(static_cast<const double*>(variable->data),
                       expected.rows * expected.columns) == expected.digest;
    if (variable != nullptr) Mat_VarFree(variable);
    if (!intact) break;
  }
  if (intact) {
    matvar_t* extra = Mat_VarReadNextInfo(check);
    intact = extra == nullptr;
    if (extra != nullptr) Mat_VarFree(extra);
  }
  Mat_Close(check);
  return intact;
}

void mat_file::discard() {
  if (mat_ != nullptr) Mat_Close(std::exchange(mat_, nullptr));
  if (!temporary_name_.empty()) ::unlink(temporary_name_.c_str());
  temporary_name_.clear();
}

}  // namespace recmat::mat
