// The interpolation engine in stages, for callers whose points come in blocks: zgrid, the
// census of plaxen-info and the large-grid program all run it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "plaxen/engine/data_range.h"
#include "plaxen/engine/node_grid.h"
#include "plaxen/engine/point_assignment.h"
#include "plaxen/engine/worker_team.h"

namespace plaxen::engine {

// What the stages after the assignment found and did.
struct gridding_stats {
  assignment_counts points;      // the fates of all points assigned
  std::int64_t data_nodes = 0;   // nodes that took at least one point
  std::int64_t nempty = 0;       // nodes that took none and are not excluded
  std::int64_t free_nodes = 0;   // empty nodes a fill pass reached: relaxed, then defined
  std::int32_t fill_passes = 0;  // range-fill passes run
  std::int32_t sweeps = 0;       // relaxation sweeps run
};

// One gridding of points onto a grid, stage by stage:
//   1. the caller scans every value with a value_range and derives encoding_of(range);
//   2. clear() clears the grid (nodes at or above big stay excluded);
//   3. assign() takes the points, block after block, in input order, as often as needed;
//   4-8. finish() averages, fills, closes, relaxes and decodes, once, after the last block.
// The result is that of zgrid over the whole sequence of points, bit for bit, for every
// layout of the grid and every number of threads: the threads share each stage, and the
// order of everything that depends on order (a node's points, the fill and relaxation
// sweeps, the fold of the sweep statistics, the out-of-range reports) is kept.
// A gridding is tied to one thread at a time; it owns none of the arrays, and either owns its
// worker threads (threads - 1 of them, started by the constructor) or borrows a caller's team.
//
// As in zgrid, the node encoding holds only while the values span less than about 1.7e32;
// the gridding does not check (plaxen refuses spans from max_value_span, 1.0e32, on). A first
// value that is not a number makes the range and so every scalar NaN: no point is taken and
// every node comes back undefined. A later one makes its node NaN to the end, counted neither
// as a data node nor as an empty one. Callers whose values can hold NaN check them first.
class gridding {
 public:
  // grid: the view of the caller's array (make_node_grid checks it); at: where node (1, 1)
  // lies and the spacings; enc: the scalars of the value range of all the points; threads:
  // how many threads share the stages (below 1 counts as 1). node_counts, when not empty, is
  // an array laid out like the grid that gets, at each node, the number of points that fell
  // on it (see assign_blocks). Throws std::invalid_argument when node_counts is not empty and
  // too short for the grid; std::system_error when a thread cannot be started.
  gridding(const node_grid& grid, const grid_placement& at, const encoding_scalars& enc,
           std::int32_t threads = 1, std::span<std::uint32_t> node_counts = {});
  // The same on the caller's team, which must outlive the gridding: a program that starts
  // its threads early (before loading libraries that hold up the start of threads) keeps
  // one team for all its stages.
  gridding(const node_grid& grid, const grid_placement& at, const encoding_scalars& enc,
           worker_team& team, std::span<std::uint32_t> node_counts = {});

  // Stage 2: clears the grid and the node counts and starts the point numbering at 1.
  void clear();

  // Stage 3 for the points of `blocks`, which follow those of earlier calls in input order
  // (the first point of the first call is k = 1): see assign_blocks, whose rules and
  // exceptions apply. The counts add up over the calls.
  void assign(std::span<const point_block> blocks, const out_of_range_sink& sink = {});
  // The fates of the points assigned since clear().
  const assignment_counts& counts() const { return counts_; }
  // The number of points assigned since clear(): the k of the next one is this plus 1.
  std::int64_t points_given() const { return next_k_ - 1; }

  // Stages 4 to 8 with the relaxation's tension and at most nfill fill passes; the grid then
  // holds the result in data units (1.0e35 at undefined nodes, excluded nodes unchanged).
  // Call once after the last assign(); clear() starts a new gridding.
  gridding_stats finish(float tension, std::int32_t nfill);

 private:
  // On `own_team`, which the gridding keeps.
  gridding(const node_grid& grid, const grid_placement& at, const encoding_scalars& enc,
           std::unique_ptr<worker_team> own_team, std::span<std::uint32_t> node_counts);

  node_grid grid_;
  grid_placement at_;
  encoding_scalars enc_;
  std::uint32_t* node_counts_ = nullptr;
  std::unique_ptr<worker_team> own_team_;  // when the gridding started its own threads
  worker_team* team_;
  assignment_lists lists_;
  assignment_counts counts_;
  std::int64_t next_k_ = 1;
};

}  // namespace plaxen::engine
