// Stage 3 of zgrid: each scattered point is accumulated into its nearest grid node.
#include "plaxen/engine/point_assignment.h"

#include "plaxen/engine/out_of_range_report.h"

namespace plaxen::engine {

void assign_points(const node_grid& grid, const encoding_scalars& enc, const grid_placement& at,
                   std::span<const float> xp, std::span<const float> yp,
                   std::span<const float> zp) {
  const std::size_t n = zp.size();
  for (std::size_t k = 0; k < n; ++k)
    if (assign_point(grid, enc, at, xp[k], yp[k], zp[k]) == point_fate::out_of_range)
      report_out_of_range(static_cast<std::int32_t>(k + 1), xp[k], yp[k], zp[k]);
}

}  // namespace plaxen::engine
