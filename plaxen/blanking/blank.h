// Masking of the grid nodes inside or outside one polygon.
#pragma once

#include <cstdint>
#include <span>

namespace plaxen {

// Classifies every grid node of z that does not already hold exactly 1.0e35 against the
// polygon of the nv vertices (xv[k], yv[k]) with inside, and sets it to 1.0e35 (excluded)
// or 0.0 (free): with inout 1 the nodes inside the polygon are excluded, with any other value
// those outside it. A node holding exactly 1.0e35 is never touched, so the exclusions of
// successive polygons add up.
//
// z holds nx by ny nodes in plaxen's layout, placed by the global zmask (see node_grid.h). Nodes
// are visited column by column (i outer, j inner) so that inside builds one crossing list per
// column. Nodes whose position lies beyond z.size() are not visited; nx or ny of 0 or less visits
// none. Resets the crossing list of inside (passes 999 on its first call); no other state.
void blank(std::span<float> z, std::int32_t nx, std::int32_t ny, std::span<const float> xv,
           std::span<const float> yv, std::int32_t nv, std::int32_t inout);

}  // namespace plaxen
