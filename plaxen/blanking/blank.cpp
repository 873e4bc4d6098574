// Masking of the grid nodes inside or outside one polygon, column by column.
#include "plaxen/blanking/blank.h"

#include <cstddef>

#include "plaxen/blanking/inside.h"
#include "plaxen/common/capacities.h"
#include "plaxen/common/grid_geometry.h"

namespace plaxen {
namespace {

// Coordinate of the node with one-based index n along an axis starting at origin with
// spacing step: origin + (n-1)*step, the index taken as a single real, rounded once.
float node_coordinate(float origin, float step, std::int32_t n) {
  const float offset = static_cast<float>(n - 1);
  return static_cast<float>(static_cast<double>(origin) +
                            static_cast<double>(offset) * static_cast<double>(step));
}

// The value a classified node receives: inflag 1 (inside) or 0 (outside) times 1.0e35, or
// its complement when the outside is excluded.
float masked_value(std::int32_t inflag, std::int32_t inout) {
  const std::int32_t excluded = inout == 1 ? inflag : 1 - inflag;
  return static_cast<float>(static_cast<double>(excluded) * static_cast<double>(undefined_value));
}

}  // namespace

void blank(std::span<float> z, std::int32_t nx, std::int32_t ny, std::span<const float> xv,
           std::span<const float> yv, std::int32_t nv, std::int32_t inout) {
  std::int32_t inflag = rebuild_crossings;
  const std::size_t size = z.size();
  // plaxen's layout (see node_grid.h).
  for (std::int32_t i = 1; i <= nx && static_cast<std::size_t>(i - 1) < size; ++i) {
    const float x = node_coordinate(zmask.xmin, zmask.dx, i);
    for (std::int32_t j = 1; j <= ny; ++j) {
      const std::size_t at = static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(nx) +
                             static_cast<std::size_t>(i - 1);
      if (at >= size) {
        break;
      }
      if (z[at] == undefined_value) {
        continue;
      }
      const float y = node_coordinate(zmask.ymin, zmask.dy, j);
      inside(x, y, xv, yv, nv, inflag);
      z[at] = masked_value(inflag, inout);
    }
  }
}

}  // namespace plaxen
