// Visiting every node of the grid once, in memory order, shared among a team's members.
#pragma once

#include <cstdint>

#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/worker_team.h"

namespace plaxen::engine {

// Calls visit(position, member) for the array position of every node of `grid`, once each.
// The axis with the larger stride is split into consecutive parts, one per member; within a
// part the positions come in increasing order. For the stages whose result at a node depends
// on that node alone: the order among nodes is not defined.
template <class Visit>
void visit_nodes(const node_grid& grid, worker_team& team, Visit visit) {
  if (grid.nodes() == 0) return;
  const bool x_outer = grid.x_stride >= grid.y_stride;
  const std::int32_t outer_count = x_outer ? grid.nx : grid.ny;
  const std::int32_t inner_count = x_outer ? grid.ny : grid.nx;
  const std::int64_t outer_stride = x_outer ? grid.x_stride : grid.y_stride;
  const std::int64_t inner_stride = x_outer ? grid.y_stride : grid.x_stride;
  team.run([&](std::int32_t member) {
    const index_range part = share_of(outer_count, member, team.size());
    for (std::int64_t outer = part.first; outer < part.last; ++outer) {
      const std::int64_t base = outer * outer_stride;
      for (std::int64_t inner = 0; inner < inner_count; ++inner)
        visit(base + inner * inner_stride, member);
    }
  });
}

}  // namespace plaxen::engine
