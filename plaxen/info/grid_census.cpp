// Counting what zgrid's assignment, averaging and fill stages will do, with those stages.
#include "plaxen/info/grid_census.h"

#include "plaxen/common/capacities.h"
#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/point_assignment.h"
#include "plaxen/engine/range_fill.h"

namespace plaxen::info {
namespace {

float census_grid[max_nodes];

}  // namespace

GridCensus take_census(const GridSize& size, const GridGeometry& geometry,
                       std::span<const float> xp, std::span<const float> yp,
                       std::span<const float> zp) {
  GridCensus census;
  const engine::node_grid grid{census_grid, std::size_t(size.nx), size.nx, size.ny};
  const std::size_t nodes = std::size_t(size.nx) * std::size_t(size.ny);
  // Steps 1 and 2: the encoding's scalars, every node cleared (none is excluded).
  const engine::encoding_scalars enc = engine::data_range(zp);
  std::fill_n(census_grid, nodes, 0.0f);
  // Step 3: each reading's fate on its node.
  const engine::grid_placement at{geometry.xmin, geometry.ymin, geometry.dx, geometry.dy};
  for (std::size_t k = 0; k < zp.size(); ++k) {
    switch (engine::assign_point(grid, enc, at, xp[k], yp[k], zp[k])) {
      case engine::point_fate::accumulated:
        break;
      case engine::point_fate::ignored:
        ++census.dropped;
        break;
      case engine::point_fate::out_of_range:
        ++census.out_of_range;
        break;
    }
  }
  // Steps 4 and 5: data nodes, then the one fill pass plaxen runs.
  census.data_nodes = std::int64_t(nodes) - engine::average_nodes(grid, enc);
  engine::range_fill(grid, 1);
  for (std::size_t p = 0; p < nodes; ++p)
    if (engine::is_usable(census_grid[p])) ++census.defined_nodes;
  return census;
}

}  // namespace plaxen::info
