// recmat's MAT-file output: the fixed sequence of calls that stores `kvodata`.
#include "recmat/mat_output.h"

#include <algorithm>
#include <string>

#include "recmat/extraction_buffers.h"
#include "recmat/fatal_error.h"
#include "recmat/mat_layer.h"

namespace recmat {
namespace {

[[noreturn]] void cannot_write() {
  throw fatal_error(std::string("Error: Cannot write file ") + mat_file_name + "\n");
}

}  // namespace

void write_kvodata(const std::vector<double>& staging, int rows) {
  const auto row_count = static_cast<std::size_t>(rows);
  mat::mat_file mat;
  if (!mat.open(mat_file_name)) cannot_write();  // 1 open
  {
    mat::double_matrix kvodata(row_count, extraction_buffers::column_count);  // 2 create
    kvodata.set_name("kvodata");                                              // 3 name
    double* data = kvodata.data();                                            // 4 data
    std::copy(staging.begin(), staging.end(), data);                          // 5 copy
    if (!mat.put(kvodata)) cannot_write();                                    // 6 put
  }                                                                           // 7 destroy
  if (!mat.close()) cannot_write();                                           // 8 close
}

}  // namespace recmat
