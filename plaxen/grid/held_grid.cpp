// Laying, filling and honouring a grid of records held in memory.
#include "plaxen/grid/held_grid.h"

namespace plaxen::grid {

std::string grid_held_records(const GridSpec& wanted, std::span<const RecordRun> runs,
                              const DataSummary& summary, int threads, bool counts, MadeGrid& grid,
                              ResidualSums& residuals) {
  if (LayRefusal refusal = lay_out(wanted, summary, counts, grid); !refusal.line.empty())
    return refusal.line;
  engine::worker_team team(threads);
  fill(grid, summary.values, team, [&](engine::gridding& gridding) { gridding.assign(runs); });
  residuals = residual_sums(grid.placed(), runs, 0, team);
  return {};
}

}  // namespace plaxen::grid
