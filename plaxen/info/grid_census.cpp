// Counting what zgrid will do and make, by running plaxen's own call of it.
#include "plaxen/info/grid_census.h"

#include <algorithm>

#include "plaxen/common/capacities.h"
#include "plaxen/common/gridding_settings.h"
#include "plaxen/engine/zgrid.h"

namespace plaxen::info {
namespace {

float census_grid[max_nodes];

}  // namespace

GridCensus take_census(const GridSize& size, const GridGeometry& geometry,
                       std::span<const float> xp, std::span<const float> yp,
                       std::span<const float> zp) {
  // plaxen's call: every node ordinary (no blanking), nxsize = nx, its tension and fill.
  const std::size_t nodes = std::size_t(size.nx) * std::size_t(size.ny);
  const std::span<float> grid(census_grid, nodes);
  std::fill(grid.begin(), grid.end(), 0.0f);
  const engine::gridding_stats stats =
      zgrid(grid, size.nx, max_nodes / size.nx, size.nx, size.ny, geometry.xmin, geometry.ymin,
            geometry.dx, geometry.dy, xp, yp, zp, static_cast<std::int32_t>(zp.size()),
            gridding_tension, gridding_fill_passes);
  GridCensus census;
  census.data_nodes = stats.data_nodes;
  census.defined_nodes = stats.data_nodes + stats.free_nodes;
  census.dropped = stats.points.ignored;
  census.out_of_range = stats.points.out_of_range;
  census.defined_at_missing_value = std::count(grid.begin(), grid.end(), missing_value);
  return census;
}

}  // namespace plaxen::info
