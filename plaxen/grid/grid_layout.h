// Where plaxen-grid lays its grid: plaxen's geometry over the data limits or a region, for
// a node count or a node spacing, and the refusals of jobs no grid can be laid for.
#pragma once

#include <cstdint>
#include <string>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/grid/grid_options.h"

namespace plaxen::grid {

struct GridLayout {
  GridSize size;
  GridGeometry geometry{};
};

// Why no grid can be laid: one line, and whether the records are its cause (none, limits
// without extent, values that span too much), so that it is shown after the data file's
// name, rather than the options that ask for the grid (its size, spacing or region).
struct LayRefusal {
  std::string line;
  bool from_data = false;
};

// The grid of `wanted` over the records' `limits`, or over its region:
//   -n NX NY: plaxen's geometry (grid_geometry);
//   -I DX/DY: nx = round((xmax - xmin)/dx) + 1 and ny likewise, in double, the grid
//             starting at xmin, ymin with dx, dy as given (single reals), xmax and ymax
//             fitted as plaxen fits them.
// Refuses, with `refusal`, what plaxen refuses or cannot place: no records,
// limits or spacings that are not finite numbers above 0, no extent along x or y, fewer
// than 2 nodes along an axis, counts beyond 2^31 - 1, values that span too much (`span`
// as the interpolation forms it).
bool lay_grid(const GridSpec& wanted, std::int64_t records, const DataLimits& limits, float span,
              GridLayout& layout, LayRefusal& refusal);

// The bytes the grid needs in memory: 4 a node, 4 more with per-node counts, and the
// relaxation's bit a node; INT64_MAX when that is more than an int64_t holds.
std::int64_t grid_bytes(const GridSize& size, bool counts);

// What a grid of `size` needs: "a grid of 50000 x 50000 nodes needs 10.3 GB of memory",
// with `bytes` from grid_bytes (INT64_MAX said as "more than 9223372036 GB").
std::string memory_need(std::int64_t bytes, const GridSize& size);

// Whether `bytes` more can be had now: below what the system says is available (and the
// address-space limit); false with `problem` naming the need ("a grid of 50000 x 50000
// nodes needs 10.3 GB of memory; 3.2 GB are available").
bool memory_for(std::int64_t bytes, const GridSize& size, std::string& problem);

// The memory the system has available, in bytes (MemAvailable); -1 when unknown.
std::int64_t available_memory();

}  // namespace plaxen::grid
