// Stage 3 of zgrid: each scattered point is accumulated into its nearest grid node.
#include "plaxen/engine/point_assignment.h"

#include "plaxen/engine/out_of_range_report.h"

namespace plaxen::engine {

void assign_points(const node_grid& grid, const encoding_scalars& enc, const grid_placement& at,
                   std::span<const float> xp, std::span<const float> yp,
                   std::span<const float> zp) {
  const std::size_t n = zp.size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::int32_t i = nearest_index(xp[k], at.xmin, at.dx, grid.nx);
    const std::int32_t j = i == 0 ? 0 : nearest_index(yp[k], at.ymin, at.dy, grid.ny);
    if (j == 0) {
      report_out_of_range(static_cast<std::int32_t>(k + 1), xp[k], yp[k], zp[k]);
      continue;
    }
    float& s = grid.at(i, j);
    // The cap test on the unrounded difference: a node below zcap holds fewer than 20 points.
    if (double(s) - double(enc.zcap) < 0.0)
      s = static_cast<float>(((double(s) + double(zp[k])) + double(enc.zoff)) + double(enc.zstep));
  }
}

}  // namespace plaxen::engine
