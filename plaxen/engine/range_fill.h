// Stage 5 of zgrid: empty nodes next to usable ones take their neighbour's encoded value.
#pragma once

#include <cstdint>

#include "plaxen/engine/node_grid.h"

namespace plaxen::engine {

// Stage 5, range fill: runs at most nfill passes (none when nfill <= 0) and stops after the
// first pass that fills nothing. A pass sweeps the grid once; each empty node takes the
// magnitude of its first usable neighbour among below, left, above, right, skipping the node
// below or to the left when that one was itself filled in the same pass, so that each pass
// grows the defined region by exactly one step. Returns the number of passes run.
// Allocates one flag per grid row (leftnew) when it runs a pass.
std::int32_t range_fill(const node_grid& grid, std::int32_t nfill);

}  // namespace plaxen::engine
