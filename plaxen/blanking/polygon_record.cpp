// Storage of the global polygon record ins.
#include "plaxen/blanking/polygon_record.h"

namespace plaxen {

PolygonRecord ins{};

}  // namespace plaxen
