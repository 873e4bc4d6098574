// The interpolation engine in stages, for callers whose points come in blocks.
#include "plaxen/engine/gridding.h"

#include <stdexcept>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_visit.h"
#include "plaxen/engine/range_fill.h"
#include "plaxen/engine/relaxation.h"

namespace plaxen::engine {

gridding::gridding(const node_grid& grid, const grid_placement& at, const encoding_scalars& enc,
                   std::int32_t threads, std::span<std::uint32_t> node_counts)
    : gridding(grid, at, enc, std::make_unique<worker_team>(threads), node_counts) {}

gridding::gridding(const node_grid& grid, const grid_placement& at, const encoding_scalars& enc,
                   std::unique_ptr<worker_team> own_team, std::span<std::uint32_t> node_counts)
    : gridding(grid, at, enc, *own_team, node_counts) {
  own_team_ = std::move(own_team);
}

gridding::gridding(const node_grid& grid, const grid_placement& at, const encoding_scalars& enc,
                   worker_team& team, std::span<std::uint32_t> node_counts)
    : grid_(grid), at_(at), enc_(enc), team_(&team) {
  if (!node_counts.empty()) {
    const std::int64_t needed = grid.nodes() == 0 ? 0 : grid.index(grid.nx, grid.ny) + 1;
    if (static_cast<std::uint64_t>(needed) > node_counts.size())
      throw std::invalid_argument("gridding: the node counts hold fewer elements than the grid");
    node_counts_ = node_counts.data();
  }
}

void gridding::clear() {
  clear_nodes(grid_, *team_);
  if (node_counts_ != nullptr)
    visit_nodes(grid_, *team_,
                [counts = node_counts_](std::int64_t p, std::int32_t) { counts[p] = 0; });
  counts_ = {};
  next_k_ = 1;
}

void gridding::assign(std::span<const point_block> blocks, const out_of_range_sink& sink) {
  check_blocks(blocks);  // a refused call numbers no point
  std::int64_t given = 0;
  for (const point_block& block : blocks) given += std::int64_t(block.z.size());
  try {
    counts_ += assign_blocks(grid_, enc_, at_, blocks, next_k_, sink, node_counts_, *team_, lists_);
  } catch (...) {
    next_k_ += given;  // what a sink saw stays numbered as it was
    throw;
  }
  next_k_ += given;
}

gridding_stats gridding::finish(float tension, std::int32_t nfill) {
  gridding_stats stats;
  stats.points = counts_;
  // Stage 4: averaging into data nodes and empty nodes.
  const averaging_result averaged = average_nodes(grid_, enc_, *team_);
  stats.data_nodes = averaged.data_nodes;
  stats.nempty = averaged.nempty;
  // Stage 5: range fill, at most nfill passes.
  const fill_result fill = range_fill(grid_, nfill, *team_);
  stats.fill_passes = fill.passes;
  stats.free_nodes = fill.filled;
  // Stage 6: closing; unreached empty nodes become undefined.
  close_nodes(grid_, *team_);
  // Stage 7: relaxation of the free nodes.
  stats.sweeps = relax(grid_, enc_.zspan, stats.nempty, tension, *team_);
  // Stage 8: decoding back to data units.
  decode_nodes(grid_, enc_, *team_);
  return stats;
}

}  // namespace plaxen::engine
