// Writing of the extracted matrix `kvodata` into the MAT-file "temp.mat".
#pragma once

#include <vector>

namespace recmat {

// Name of the MAT-file, in the current working directory.
inline constexpr const char* mat_file_name = "temp.mat";

// Writes `staging` (`rows` by extraction_buffers::column_count doubles, column-major) as the
// one variable `kvodata` into "temp.mat", replacing an older file of that name only once the new
// one is complete. Throws fatal_error "Error: Cannot write file temp.mat" when the file cannot be
// created, written or closed (an older file then stays as it was), std::bad_alloc when
// memory runs out.
void write_kvodata(const std::vector<double>& staging, int rows);

}  // namespace recmat
