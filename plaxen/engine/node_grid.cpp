// The grid as the interpolation engine sees it: the checks that make a view safe to sweep.
#include "plaxen/engine/node_grid.h"

#include <stdexcept>

namespace plaxen::engine {
namespace {

// a*b, or -1 when the product of two non-negative values does not fit 64 bits.
std::int64_t checked_product(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? -1 : product;
}

// Whether an axis of `count` nodes `inner_stride` apart fits inside one step of `outer_stride`.
bool nests(std::int32_t count, std::int64_t inner_stride, std::int64_t outer_stride) {
  const std::int64_t extent = checked_product(count, inner_stride);
  return extent >= 0 && outer_stride >= extent;
}

}  // namespace

node_grid make_node_grid(std::span<float> z, std::int32_t nx, std::int32_t ny,
                         std::int64_t x_stride, std::int64_t y_stride) {
  if (nx < 0 || ny < 0) throw std::invalid_argument("node grid: nx and ny must not be negative");
  if (x_stride < 1 || y_stride < 1)
    throw std::invalid_argument("node grid: the strides must be at least 1");
  const node_grid grid{z.data(), nx, ny, x_stride, y_stride};
  if (nx == 0 || ny == 0) return grid;
  if (!nests(nx, x_stride, y_stride) && !nests(ny, y_stride, x_stride))
    throw std::invalid_argument("node grid: the strides make two nodes share an element");
  // The last node's position: each term fits, since one axis nests inside the other.
  const std::int64_t last_x = checked_product(nx - 1, x_stride);
  const std::int64_t last_y = checked_product(ny - 1, y_stride);
  std::int64_t last = 0;
  if (last_x < 0 || last_y < 0 || __builtin_add_overflow(last_x, last_y, &last) ||
      static_cast<std::uint64_t>(last) >= z.size())
    throw std::invalid_argument("node grid: the array holds fewer elements than the grid needs");
  return grid;
}

}  // namespace plaxen::engine
