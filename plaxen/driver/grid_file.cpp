// Post-processing of the interpolated grid and the grid file rows.
#include "plaxen/driver/grid_file.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "plaxen/common/capacities.h"
#include "recordio/recordio.h"

namespace plaxen {

void mark_undefined_nodes(std::span<float> z, std::int32_t nx, std::int32_t ny) {
  const std::size_t count = std::min(std::size_t(nx) * std::size_t(ny), z.size());
  // A select written back to every node rather than a store behind a branch: the compiler
  // makes it a vector loop, several times as fast on a large grid.
  float* const v = z.data();
  for (std::size_t p = 0; p < count; ++p) v[p] = v[p] >= undefined_value ? missing_value : v[p];
}

void write_grid(int unit, std::span<const float> z, std::int32_t nx, std::int32_t ny) {
  // "(3000e15.7,x)": the X before each reversion ends a line without a trailing blank.
  static const std::string format =
      std::string("(").append(std::to_string(grid_values_per_line)).append("e15.7,x)");
  for (std::int32_t j = 1; j <= ny; ++j) {
    const std::size_t row = std::size_t(j - 1) * std::size_t(nx);
    recordio::start_formatted_write(unit, format);
    for (std::int32_t i = 0; i < nx && row + std::size_t(i) < z.size(); ++i)
      recordio::write(z[row + std::size_t(i)]);
    recordio::end_write();
  }
}

}  // namespace plaxen
