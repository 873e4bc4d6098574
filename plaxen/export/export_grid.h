// The grid being exported: node values with the geometry plaxen laid them on.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "plaxen/common/capacities.h"
#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"

namespace plaxen::exporting {

struct ExportGrid {
  GridSize size;
  GridGeometry geometry;  // as plaxen lays it for this size (grid_geometry)
  // nx*ny values laid out by x_stride and y_stride (see node_grid.h): plaxen's layout, as
  // the grid file holds them, unless a caller lays them out otherwise.
  std::span<const float> z;
  std::size_t x_stride = 1;
  std::size_t y_stride = 0;  // 0: nx

  std::size_t index(std::int32_t i, std::int32_t j) const {
    const std::size_t ys = y_stride != 0 ? y_stride : std::size_t(size.nx);
    return std::size_t(i - 1) * x_stride + std::size_t(j - 1) * ys;
  }
  float at(std::int32_t i, std::int32_t j) const { return z[index(i, j)]; }
};

// Whether a node has no value: -999.0 in the grid file, or a value that is not a number.
inline bool is_undefined(float value) {
  return value == missing_value || std::isnan(value);
}

// The raster placement of the nodes: each cell centred on its node, rows north first. The
// upper-left corner is (xmin - dx/2, ymin + (ny - 0.5)*dy) and a pixel is dx by -dy, all
// from the single reals evaluated in double: {left, dx, 0, top, 0, -dy} in GDAL's order.
inline std::array<double, 6> geotransform(const ExportGrid& grid) {
  const GridGeometry& g = grid.geometry;
  return {double{g.xmin} - double{g.dx} / 2.0,
          double{g.dx},
          0.0,
          double{g.ymin} + (double(grid.size.ny) - 0.5) * double{g.dy},
          0.0,
          -double{g.dy}};
}

}  // namespace plaxen::exporting
