// A grid size for data of a given extent: as many nodes as plaxen takes, cells near square.
#pragma once

#include <cstdint>
#include <string>

#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"

namespace plaxen::info {

struct GridSuggestion {
  GridSize size;    // nx = ny = 0 when there is none
  float dx = 0.0f;  // the spacing plaxen derives for that size
  float dy = 0.0f;
  std::string reason;  // why there is none: "no records", "the data have no extent along x"
};

// The nx and ny, at least 2 each and at most max_nodes nodes, that give the most nodes with
// cells as square as the extent allows: along one axis the count is the nearest to an equal
// spacing for the count along the other. Among sizes with as many nodes, the squarer cells.
// dx and dy are left 0. None for data without records or extent (degenerate_extent).
GridSuggestion suggest_grid(std::int64_t records, const DataLimits& limits);

}  // namespace plaxen::info
