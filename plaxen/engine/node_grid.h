// The grid as the interpolation engine sees it: the caller's array and its node indexing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace plaxen::engine {

// Grid convention, stated here once for every part that holds a grid: node (i, j), i = 1..nx
// along x and j = 1..ny along y, lies at x = xmin + (i-1)*dx, y = ymin + (j-1)*dy (see
// grid_geometry.h) and is the element at zero-based position (i-1)*x_stride +
// (j-1)*y_stride of the caller's array.
//  - plaxen lays its grid x fastest, leading dimension nxsize (= nx in the driver): x_stride
//    1, y_stride nxsize, so node (i, j) is z((j-1)*nx + i) one-based, z[(i-1) + (j-1)*nx]
//    zero-based; its grid file holds the rows in that order, the row of y = ymin first.
//  - plaxen-grid lays large grids column-major, column by column (x_stride ny, y_stride 1),
//    so that the sweep order is memory order.
// Every whole-grid stage sweeps column by column, i = 1..nx outer and j = 1..ny inner; the
// stages that update in place (range fill, relaxation) depend on that order and on nothing
// else, so the layout never changes a result.
//
// The view does not own the array. Whoever builds it guarantees that every node of the
// nx-by-ny grid lies inside the array and that no two nodes share an element:
// make_node_grid checks both.
struct node_grid {
  float* z = nullptr;
  std::int32_t nx = 0;
  std::int32_t ny = 0;
  std::int64_t x_stride = 1;  // distance in the array between node (i, j) and node (i+1, j)
  std::int64_t y_stride = 1;  // distance in the array between node (i, j) and node (i, j+1)

  // Zero-based array position of node (i, j).
  // Node indices are 64-bit so that loops may step one past nx or ny = 2^31 - 1.
  std::int64_t index(std::int64_t i, std::int64_t j) const {
    return (i - 1) * x_stride + (j - 1) * y_stride;
  }
  float& at(std::int64_t i, std::int64_t j) const { return z[index(i, j)]; }
  // Number of nodes, nx*ny.
  std::int64_t nodes() const { return std::int64_t{nx} * std::int64_t{ny}; }
};

// The nx-by-ny grid laid in z with the given strides, after checking that it fits:
// nx, ny >= 0 (a grid with no nodes is allowed: every point falls outside it), both strides
// at least 1, one axis nested inside the other (y_stride >= nx*x_stride, or
// x_stride >= ny*y_stride: so no two nodes share an element) and the last node inside z.
// Throws std::invalid_argument naming the first condition that fails; allocates nothing.
node_grid make_node_grid(std::span<float> z, std::int32_t nx, std::int32_t ny,
                         std::int64_t x_stride, std::int64_t y_stride);

}  // namespace plaxen::engine
