// Stage 5 of zgrid: empty nodes next to usable ones take their neighbour's encoded value.
#pragma once

#include <cstdint>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/worker_team.h"

namespace plaxen::engine {

// What the range fill did.
struct fill_result {
  std::int32_t passes = 0;  // passes run, the last one possibly filling nothing
  std::int64_t filled = 0;  // nodes filled over all passes: the free nodes
};

// Stage 5, range fill: runs at most nfill passes (none when nfill <= 0) and stops after the
// first pass that fills nothing. A pass sweeps the grid once; each empty node takes the
// magnitude of its first usable neighbour among below, left, above, right, skipping the node
// below or to the left when that one was itself filled in the same pass, so that each pass
// grows the defined region by exactly one step.
//
// Since a node filled in a pass was unusable before it, a pass is the same as each empty node
// looking at its neighbours as they were before the pass; so the team's members take
// consecutive bands of columns, each with a copy of the column on either side of its band
// made before the pass. Allocates, per member, one flag per grid row (leftnew) and those two
// columns.
fill_result range_fill(const node_grid& grid, std::int32_t nfill,
                       worker_team& team = lone_worker());

}  // namespace plaxen::engine
