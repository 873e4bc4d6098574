// The grid geometry record for test binaries that link the routines without the program.
#include "plaxen/grid_geometry.h"

namespace plaxen {

GridGeometry zmask{};

}  // namespace plaxen
