// The grid geometry record and its derivation from the data limits and the grid size.
#include "plaxen/common/grid_geometry.h"

#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"

namespace plaxen {

GridGeometry zmask;

GridGeometry grid_geometry(const DataLimits& limits, const GridSize& size) {
  GridGeometry g{};
  g.xmin = limits.xmin;
  g.ymin = limits.ymin;
  g.dx = static_cast<float>((double{limits.xmax} - double{limits.xmin}) / double(size.nx - 1));
  g.dy = static_cast<float>((double{limits.ymax} - double{limits.ymin}) / double(size.ny - 1));
  g.xmax = static_cast<float>(double{g.xmin} + double(size.nx - 1) * double{g.dx});
  g.ymax = static_cast<float>(double{g.ymin} + double(size.ny - 1) * double{g.dy});
  return g;
}

}  // namespace plaxen
