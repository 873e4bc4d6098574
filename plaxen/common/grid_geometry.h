// The grid geometry shared by the driver, the blanking stage and the interpolation call.
#pragma once

#include <cstdint>

namespace plaxen {

// The global record zmask: six single reals in this order. Node (i, j), i = 1..nx along x
// and j = 1..ny along y, lies at x = xmin + (i-1)*dx, y = ymin + (j-1)*dy.
struct GridGeometry {
  float xmin;
  float ymin;
  float xmax;  // x of the last column, i = nx
  float ymax;  // y of the last row, j = ny
  float dx;
  float dy;
};

// Filled by the driver from grid_geometry once the grid size is known; read by the blanking
// stage.
extern GridGeometry zmask;

// Where node (i, j) lies, as the interpolation places it: x = xmin + (i-1)*dx and
// y = ymin + (j-1)*dy from the record's single reals, evaluated in double and not rounded
// to single precision. (xmax and ymax are the last node rounded to single precision.)
inline double node_x(const GridGeometry& g, std::int32_t i) {
  return double{g.xmin} + double(i - 1) * double{g.dx};
}
inline double node_y(const GridGeometry& g, std::int32_t j) {
  return double{g.ymin} + double(j - 1) * double{g.dy};
}

struct DataLimits;
struct GridSize;

// The geometry plaxen lays for `size` nodes over `limits`, a pure function of the two:
// xmin and ymin are the limits'; dx = (xmax - xmin)/(nx - 1) and dy likewise, the
// difference and the quotient formed in double and rounded once to single precision; then
// xmax = xmin + (nx - 1)*dx and ymax likewise, formed the same way, so that the record
// describes the nodes exactly. Needs nx, ny >= 2 for a finite spacing.
GridGeometry grid_geometry(const DataLimits& limits, const GridSize& size);

}  // namespace plaxen
