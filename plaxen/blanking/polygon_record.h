// The current blanking polygon: the global record ins that the blanking stage fills.
#pragma once

#include <array>
#include <cstdint>

#include "plaxen/common/capacities.h"

namespace plaxen {

// One polygon at a time, overwritten by every block read from the blanking file. Vertex k
// (one-based, k = 1..nv) is xv[k-1], yv[k-1]; entries beyond nv are left from earlier polygons.
struct PolygonRecord {
  std::array<float, max_vertices> xv;
  std::array<float, max_vertices> yv;
  std::int32_t nv;  // vertices of the polygon last read; never above max_vertices when read
};

// Zero when the run starts; keeps the last polygon read until the end of the run.
extern PolygonRecord ins;

}  // namespace plaxen
