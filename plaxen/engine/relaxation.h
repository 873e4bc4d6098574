// Stage 7 of zgrid: successive over-relaxation of the free nodes with a tensioned stencil.
#pragma once

#include <cstdint>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/worker_team.h"

namespace plaxen::engine {

// Most sweeps of one relaxation; the factor update and the convergence test run at every
// multiple of sweeps_per_update.
inline constexpr std::int32_t max_sweeps = 100;
inline constexpr std::int32_t sweeps_per_update = 20;

// What one sweep did: the sum of the squared changes, the largest absolute change, and
// whether any node value changed at all.
struct sweep_result {
  float sumsq = 0.0f;
  float maxchg = 0.0f;
  bool changed = false;
};

// One in-place sweep (i outer, j inner) over the free nodes (0 <= s < big) with factor omega:
// each moves by omega times its change d = S/W - s towards the stencil value S/W of its usable
// neighbours. A node whose weight W is 0 (possible only with a negative tension) is left as it
// is. sumsq is folded in sweep order.
sweep_result relaxation_sweep(const node_grid& grid, float tension, float omega);

// The factor update at a multiple of sweeps_per_update: sets omega from the observed rate by
// Young's relation, or to 0.75 + 1.25*rate (about) when omega is already past the optimum.
// Returns false and leaves omega alone under the rate guard (rate of 0.999 or more while
// omega - 1 is below the rate). omega stays finite for every finite rate in (0, 1).
bool update_factor(float& omega, float rate);

// Stage 7, relaxation: up to max_sweeps sweeps with an adapting factor omega, starting at 1,
// on the state the closing stage leaves (data nodes negative and fixed, free nodes in [0, big),
// all else at least big). Ends early at a passed convergence test, or as soon as a sweep
// changes no node (the grid is then final). Returns the number of sweeps run.
// zspan and nempty are those of the data range and the averaging stage.
//
// Only the nodes free when it starts are visited (no other node can become free), found
// through one bit per node. A free node with no free node among its eight stencil neighbours
// has a stencil that never changes: its quotient S/W is worked out once, by the same steps,
// for up to one such node in eight of the grid. A sweep moves a column's fixed nodes first
// (no other node reads them), then its other free nodes in sweep order, up to four at once
// where none reads another (see four_stencils.h); their changes are folded in sweep order
// while the next column moves.
// With a team of several members, consecutive sweeps run at once, each on one member a few
// columns behind the sweep before it: node (i, j) reads columns i-1 and i-2 as its own sweep
// left them and columns i+1 and i+2 as the sweep before left them, exactly as one sweep after
// the other would, and each sweep folds its own statistics in sweep order. The team drains at
// every multiple of sweeps_per_update, where omega may change. The grid and the sweep count
// are the same for every number of members. Allocates two bits per node, at most one byte per
// node for the fixed quotients, and eight bytes a row for each sweep under way.
std::int32_t relax(const node_grid& grid, float zspan, std::int64_t nempty, float tension,
                   worker_team& team = lone_worker());

}  // namespace plaxen::engine
