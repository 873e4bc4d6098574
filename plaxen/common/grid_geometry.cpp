// The grid geometry record and its derivation from the data limits and the grid size.
#include "plaxen/common/grid_geometry.h"

#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"

namespace plaxen {

GridGeometry zmask;

void copy_data_limits(const DataLimits& limits) {
  zmask.xmin = limits.xmin;
  zmask.ymin = limits.ymin;
  zmask.xmax = limits.xmax;
  zmask.ymax = limits.ymax;
}

// Differences and quotients are formed in double and rounded once into the record.
void derive_spacing(const GridSize& size) {
  zmask.dx = static_cast<float>((double{zmask.xmax} - double{zmask.xmin}) / double(size.nx - 1));
  zmask.dy = static_cast<float>((double{zmask.ymax} - double{zmask.ymin}) / double(size.ny - 1));
}

void fit_grid_extent(const GridSize& size) {
  zmask.xmax = static_cast<float>(double{zmask.xmin} + double(size.nx - 1) * double{zmask.dx});
  zmask.ymax = static_cast<float>(double{zmask.ymin} + double(size.ny - 1) * double{zmask.dy});
}

}  // namespace plaxen
