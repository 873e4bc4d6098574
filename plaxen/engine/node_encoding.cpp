// The node value encoding of zgrid: clearing, averaging, closing and decoding.
#include "plaxen/engine/node_encoding.h"

#include <vector>

#include "plaxen/engine/node_visit.h"

namespace plaxen::engine {

namespace {

// Stored value of a formula evaluated in double precision: one rounding to single.
inline float stored(double value) {
  return static_cast<float>(value);
}

// How many points a node with accumulated value s holds: trunc(s/zstep), at most
// points_per_node. 0 for an unassigned node (s = 0, including zstep = 0) and for any
// quotient that is not a number; no quotient reaches an integer conversion unchecked.
inline std::int32_t accumulated_count(float s, float zstep) {
  if (zstep == 0.0f) return 0;
  const double quotient = double(s) / double(zstep);
  if (!(quotient >= 1.0)) return 0;  // also catches a quotient that is not a number
  // Each point adds between 1.01 and 1.05 zstep, so a full node reads points_per_node or, at
  // the top of the data range, one more: more than a node can hold.
  if (quotient >= double(points_per_node)) return points_per_node;
  return static_cast<std::int32_t>(quotient);
}

}  // namespace

worker_team& lone_worker() {
  static worker_team team(1);  // starts no thread and keeps no state between tasks
  return team;
}

void clear_nodes(const node_grid& grid, worker_team& team) {
  visit_nodes(grid, team, [z = grid.z](std::int64_t p, std::int32_t) {
    if (z[p] < big) z[p] = 0.0f;
  });
}

averaging_result average_nodes(const node_grid& grid, const encoding_scalars& enc,
                               worker_team& team) {
  struct alignas(64) member_count {  // one cache line each: members never share one
    averaging_result value;
  };
  std::vector<member_count> counts(static_cast<std::size_t>(team.size()));
  visit_nodes(grid, team, [&, z = grid.z](std::int64_t p, std::int32_t member) {
    float& s = z[p];
    if (!(s < big)) return;
    const std::int32_t m = accumulated_count(s, enc.zstep);
    if (m >= 1) {
      // (zstep - s/m) - 10*zspan = -(mean + zoff + 10*zspan): a data node, stored negative.
      s = stored((double(enc.zstep) - double(s) / double(m)) - 10.0 * double(enc.zspan));
      ++counts[static_cast<std::size_t>(member)].value.data_nodes;
    } else {
      s = empty_marker;
      ++counts[static_cast<std::size_t>(member)].value.nempty;
    }
  });
  averaging_result total;
  for (const member_count& count : counts) {
    total.data_nodes += count.value.data_nodes;
    total.nempty += count.value.nempty;
  }
  return total;
}

void close_nodes(const node_grid& grid, worker_team& team) {
  visit_nodes(grid, team, [z = grid.z](std::int64_t p, std::int32_t) {
    if (std::fabs(z[p]) >= big) z[p] = std::fabs(z[p]);
  });
}

void decode_nodes(const node_grid& grid, const encoding_scalars& enc, worker_team& team) {
  const double zoff = enc.zoff;
  const double ten_spans = 10.0 * double(enc.zspan);
  visit_nodes(grid, team, [=, z = grid.z](std::int64_t p, std::int32_t) {
    if (z[p] < big) z[p] = stored((double(std::fabs(z[p])) - zoff) - ten_spans);
  });
}

}  // namespace plaxen::engine
