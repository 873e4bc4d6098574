// Stage 3 of zgrid: each scattered point is accumulated into its nearest grid node.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/worker_team.h"

namespace plaxen::engine {

// Where the grid lies: node (i, j) at x = xmin + (i-1)*dx, y = ymin + (j-1)*dy.
struct grid_placement {
  float xmin = 0.0f;
  float ymin = 0.0f;
  float dx = 0.0f;
  float dy = 0.0f;
};

// The 1-based index of the node nearest to coordinate p along an axis of `count` nodes
// starting at `origin` with spacing `step`: trunc((p - origin)/step + 1.5), evaluated in
// double precision without intermediate rounding, so a point half-way between two nodes
// goes to the higher index. Returns 0 (out of range) when the index is not in 1..count,
// including every sum that is not a finite number.
inline std::int32_t nearest_index(float p, float origin, float step, std::int32_t count) {
  const double position = (double(p) - double(origin)) / double(step) + 1.5;
  // Testing the range before converting keeps the conversion defined for any sum.
  if (!(position >= 1.0 && position < double(count) + 1.0)) return 0;
  return static_cast<std::int32_t>(position);
}

// One run of points in input order: x, y and z of each point, zero-based, of equal length.
struct point_block {
  std::span<const float> x;
  std::span<const float> y;
  std::span<const float> z;
};

// Receives each point that falls outside the grid, in input order: k is its 1-based index
// among all points given to the gridding so far, then its x, y and z. May throw: the
// assignment then stops there (see assign_blocks).
using out_of_range_sink = std::function<void(std::int64_t k, float x, float y, float z)>;

// What stage 3 did with the points, one count per fate.
struct assignment_counts {
  std::int64_t accumulated = 0;   // added to their node
  std::int64_t ignored = 0;       // their node was full (points_per_node) or excluded
  std::int64_t out_of_range = 0;  // outside the grid: given to the sink and skipped

  assignment_counts& operator+=(const assignment_counts& other) {
    accumulated += other.accumulated;
    ignored += other.ignored;
    out_of_range += other.out_of_range;
    return *this;
  }
};

// What a team's shared assignment lists its points in, kept by the caller from call to call so
// that the memory is reused: for each member, about 16 bytes per point of a chunk of 2^16.
struct assignment_lists {
  struct located {
    std::int64_t position;  // of the point's node in the grid's array
    std::uint32_t k;        // the point within its chunk
  };
  struct alignas(64) member {      // on cache lines of its own: members write their own
    std::vector<located> entries;  // points on band b in order at b*room, sizes[b] of them
    std::size_t room = 0;
    std::vector<std::size_t> sizes;
    std::vector<std::uint32_t> outsiders;  // the points outside the grid, in order
    std::size_t outsider_count = 0;
  };
  std::vector<member> members;
};

// Throws std::invalid_argument when a block's three spans differ in length.
void check_blocks(std::span<const point_block> blocks);

// Stage 3, for the points of `blocks` in input order, the first of them numbered first_k: a
// point outside the grid (its y is not examined when x already fails) goes to `sink`, when it
// holds a target, and is skipped; otherwise its node s, when below zcap, becomes
// ((s + z) + zoff) + zstep, each step evaluated in double and rounded once, and a full or
// excluded node ignores the point silently. node_counts, when not null, is an array laid out
// like the grid whose element at each node counts every point that falls on it, accumulated
// or ignored, saturating at 2^32 - 1.
//
// Each point's node is located a few points ahead and fetched into the cache meanwhile. A
// team of several members shares the work chunk by chunk: each member locates a part of the
// points and lists them by band of array positions, in order; then each member accumulates
// one band, the lists in input order, and member 0 alone calls the sink, in input order. So
// every node sees its points in input order whatever the number of members, and the sink is
// always called on the thread that called assign_blocks. A team of more than 64 members
// assigns on the calling thread alone.
// Throws std::invalid_argument, before any point is assigned, when a block's three spans
// differ in length. An exception from the sink is passed on (after the team's members have
// finished their part of the chunk): the grid then holds a partial assignment.
assignment_counts assign_blocks(const node_grid& grid, const encoding_scalars& enc,
                                const grid_placement& at, std::span<const point_block> blocks,
                                std::int64_t first_k, const out_of_range_sink& sink,
                                std::uint32_t* node_counts, worker_team& team,
                                assignment_lists& lists);

// Stage 3 for one run of points numbered from 1, on the calling thread.
assignment_counts assign_points(const node_grid& grid, const encoding_scalars& enc,
                                const grid_placement& at, std::span<const float> xp,
                                std::span<const float> yp, std::span<const float> zp,
                                const out_of_range_sink& sink = {});

}  // namespace plaxen::engine
