// The grid file: undefined nodes marked -999.0, one grid row per write statement.
#pragma once

#include <cstdint>
#include <span>

#include "plaxen/common/capacities.h"

namespace plaxen {

// Replaces every node of 1.0e35 or more by -999.0, in place; every other value (a value that
// is not a number included) stays. z holds nx*ny nodes in plaxen's layout (see node_grid.h).
void mark_undefined_nodes(std::span<float> z, std::int32_t nx, std::int32_t ny);

// Writes the grid to `unit` with one formatted write per row j = 1..ny, nx E15.7 fields each,
// grid_values_per_line fields to a line. A failed write ends the run with the record I/O layer's
// report.
void write_grid(int unit, std::span<const float> z, std::int32_t nx, std::int32_t ny);

}  // namespace plaxen
