// The grid as the interpolation engine sees it: the caller's array and its node indexing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plaxen::engine {

// Grid convention: node (i, j), i = 1..nx along x and j = 1..ny along y, is the element at
// zero-based position (i-1) + (j-1)*nxsize of the caller's array (x index fastest, leading
// dimension nxsize; the driver passes nxsize = nx). Every whole-grid stage sweeps column by
// column, i = 1..nx outer and j = 1..ny inner; the stages that update in place (range fill,
// relaxation) depend on that order.
//
// The view does not own the array. Whoever builds it guarantees that every node of the
// nx-by-ny grid lies inside the array (zgrid checks that once, on entry).
struct node_grid {
  float* z = nullptr;
  std::size_t nxsize = 0;
  std::int32_t nx = 0;
  std::int32_t ny = 0;

  // Zero-based array position of node (i, j).
  std::size_t index(std::int32_t i, std::int32_t j) const {
    return static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * nxsize;
  }
  float& at(std::int32_t i, std::int32_t j) const { return z[index(i, j)]; }
  // Distance in the array between node (i, j) and node (i, j+1).
  std::ptrdiff_t row_stride() const { return static_cast<std::ptrdiff_t>(nxsize); }
};

}  // namespace plaxen::engine
