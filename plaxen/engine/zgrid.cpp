// zgrid: the interpolation engine that turns scattered points into grid node values.
#include "plaxen/engine/zgrid.h"

#include <algorithm>
#include <stdexcept>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/point_assignment.h"
#include "plaxen/engine/range_fill.h"
#include "plaxen/engine/relaxation.h"

namespace plaxen {

namespace {

// The caller's array as an nx-by-ny grid, after checking that every node lies inside it.
// A grid with nx or ny below 1 has no nodes (every point then lies outside it).
engine::node_grid checked_grid(std::span<float> z, std::int32_t nxsize, std::int32_t nx,
                               std::int32_t ny) {
  engine::node_grid grid;
  grid.z = z.data();
  grid.nx = std::max(nx, std::int32_t{0});
  grid.ny = std::max(ny, std::int32_t{0});
  if (grid.nx == 0 || grid.ny == 0) return grid;
  if (nxsize < nx) throw std::invalid_argument("zgrid: nxsize is smaller than nx");
  grid.nxsize = static_cast<std::size_t>(nxsize);
  const std::size_t needed = grid.index(grid.nx, grid.ny) + 1;  // fits: both below 2^31
  if (z.size() < needed) throw std::invalid_argument("zgrid: z holds fewer than nx by ny nodes");
  return grid;
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

void zgrid(std::span<float> z, std::int32_t nxsize, std::int32_t /*nysize*/, std::int32_t nx,
           std::int32_t ny, float xmin, float ymin, float dx, float dy, std::span<const float> xp,
           std::span<const float> yp, std::span<const float> zp, std::int32_t n, float tension,
           std::int32_t nfill) {
  // Step 0: the arguments must describe what the arrays hold.
  const engine::node_grid grid = checked_grid(z, nxsize, nx, ny);
  const std::size_t count = checked_count(n, xp, yp, zp);
  xp = xp.first(count);
  yp = yp.first(count);
  zp = zp.first(count);

  // Step 1: data range and the scalars of the node encoding.
  const engine::encoding_scalars enc = engine::data_range(zp);
  // Step 2: clearing; nodes at or above big stay excluded.
  engine::clear_nodes(grid);
  // Step 3: assignment of every point to its nearest node, with a line for each outsider.
  engine::assign_points(grid, enc, {xmin, ymin, dx, dy}, xp, yp, zp);
  // Step 4: averaging into data nodes and empty nodes.
  const std::int64_t nempty = engine::average_nodes(grid, enc);
  // Step 5: range fill, at most nfill passes.
  engine::range_fill(grid, nfill);
  // Step 6: closing; unreached empty nodes become undefined.
  engine::close_nodes(grid);
  // Step 7: relaxation of the free nodes.
  engine::relax(grid, enc.zspan, nempty, tension);
  // Step 8: decoding back to data units.
  engine::decode_nodes(grid, enc);
}

}  // namespace plaxen
