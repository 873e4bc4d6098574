// zgrid: the interpolation engine that turns scattered points into grid node values.
#include "plaxen/engine/zgrid.h"

#include <algorithm>
#include <stdexcept>

#include "plaxen/engine/gridding.h"

namespace plaxen {

namespace {

// The caller's array as an nx-by-ny grid in plaxen's layout (see node_grid.h), after checking
// that every node lies inside it. A grid with nx or ny below 1 has no nodes (every point then
// lies outside it).
engine::node_grid checked_grid(std::span<float> z, std::int32_t nxsize, std::int32_t nx,
                               std::int32_t ny) {
  nx = std::max(nx, std::int32_t{0});
  ny = std::max(ny, std::int32_t{0});
  if (nx == 0 || ny == 0) return engine::make_node_grid(z, nx, ny, 1, 1);
  if (nxsize < nx) throw std::invalid_argument("zgrid: nxsize is smaller than nx");
  const auto needed = std::int64_t{ny - 1} * nxsize + nx;  // fits: both factors below 2^31
  if (static_cast<std::uint64_t>(needed) > z.size())
    throw std::invalid_argument("zgrid: z holds fewer than nx by ny nodes");
  return engine::make_node_grid(z, nx, ny, 1, nxsize);
}

// The number of points to grid: n, or 0 when negative; refused when a point array is shorter.
std::size_t checked_count(std::int32_t n, std::span<const float> xp, std::span<const float> yp,
                          std::span<const float> zp) {
  if (n <= 0) return 0;
  const auto count = static_cast<std::size_t>(n);
  if (xp.size() < count || yp.size() < count || zp.size() < count)
    throw std::invalid_argument("zgrid: n exceeds the point arrays");
  return count;
}

}  // namespace

engine::gridding_stats zgrid(std::span<float> z, std::int32_t nxsize, std::int32_t /*nysize*/,
                             std::int32_t nx, std::int32_t ny, float xmin, float ymin, float dx,
                             float dy, std::span<const float> xp, std::span<const float> yp,
                             std::span<const float> zp, std::int32_t n, float tension,
                             std::int32_t nfill, const engine::out_of_range_sink& sink,
                             std::int32_t threads) {
  // Step 0: the arguments must describe what the arrays hold.
  const engine::node_grid grid = checked_grid(z, nxsize, nx, ny);
  const std::size_t count = checked_count(n, xp, yp, zp);
  const engine::point_block points{xp.first(count), yp.first(count), zp.first(count)};

  // Step 1: data range and the scalars of the node encoding.
  const engine::encoding_scalars enc = engine::data_range(points.z);
  engine::gridding stages(grid, {xmin, ymin, dx, dy}, enc, threads);
  // Step 2: clearing; nodes at or above big stay excluded.
  stages.clear();
  // Step 3: assignment of every point to its nearest node; each outsider goes to the sink.
  stages.assign(std::span(&points, 1), sink);
  // Steps 4 to 8: averaging, range fill, closing, relaxation and decoding.
  return stages.finish(tension, nfill);
}

}  // namespace plaxen
