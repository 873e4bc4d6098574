// The node value encoding of zgrid: thresholds, markers, the scalars derived from the data
// range, and the whole-grid stages that move nodes from one encoded state to the next.
//
// During a call a node value s means (each stage states its own part):
//   on entry      s >= big: excluded, never assigned, filled, relaxed or used as neighbour
//   assignment    0 < s < big: m points accumulated, s = sum(zp + zoff) + m*zstep
//   averaging     -big < s < 0: data node, s = -(mean + zoff + 10*zspan); or empty_marker
//   range fill    0 <= s < big: free node carrying the magnitude of the node it came from
//   closing       undefined_value: an empty node that no fill pass reached
//   decoding      data and free nodes back in data units
// A node is usable as a neighbour when |s| < big; its usable value is then |s|, the encoded
// value v + zoff + 10*zspan of its data value v.
//
// Arithmetic: every value is stored in single precision; each formula is evaluated in
// double precision and rounded once, when stored.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

#include "plaxen/common/capacities.h"
#include "plaxen/engine/data_range.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/worker_team.h"

namespace plaxen::engine {

// BIG: a node whose value (or magnitude, where stated) reaches it is not usable.
inline constexpr float big = 0.9e35f;
// Written into every non-excluded node that received no point.
inline constexpr float empty_marker = -1.0e35f;
// An empty node that no fill pass reached, from closing to the end: the magnitude of
// empty_marker, the value the driver turns into -999.0.
static_assert(undefined_value == -empty_marker);

// A node accepts at most this many points, the first in input order (zcap = points_per_node
// times zstep).
inline constexpr std::int32_t points_per_node = 20;

// Whether a node can serve as a neighbour in the range fill and the relaxation.
inline bool is_usable(float s) {
  return std::fabs(s) < big;
}
// Whether a node is relaxed: a free node, 0 <= s < big.
inline bool is_free(float s) {
  return s >= 0.0f && s < big;
}

// The team of one member that the stages use when the caller names none.
worker_team& lone_worker();

// Every stage below visits each node once, the team's members sharing the grid; no result
// depends on the number of members.

// Stage 2, clearing: every node with s < big becomes 0; the others are excluded.
void clear_nodes(const node_grid& grid, worker_team& team = lone_worker());

// Stage 4, averaging: turns every node with s < big into a data node when it accumulated
// at least one point, otherwise into empty_marker, and counts both kinds (nempty: the empty
// ones). The point count m = trunc(s/zstep) is exact below points_per_node; a full node whose
// values all lie at the top of the range reads one more, so m is held to points_per_node: a
// full node always takes the mean of its values.
struct averaging_result {
  std::int64_t data_nodes = 0;
  std::int64_t nempty = 0;
};
averaging_result average_nodes(const node_grid& grid, const encoding_scalars& enc,
                               worker_team& team = lone_worker());

// Stage 6, closing: every node with |s| >= big takes |s| (empty nodes become undefined_value).
void close_nodes(const node_grid& grid, worker_team& team = lone_worker());

// Stage 8, decoding: every node with s < big becomes (|s| - zoff) - 10*zspan.
void decode_nodes(const node_grid& grid, const encoding_scalars& enc,
                  worker_team& team = lone_worker());

}  // namespace plaxen::engine
