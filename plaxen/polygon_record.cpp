// Storage of the global polygon record ins.
#include "plaxen/polygon_record.h"

namespace plaxen {

PolygonRecord ins{};

}  // namespace plaxen
