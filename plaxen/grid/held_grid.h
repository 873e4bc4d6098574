// Gridding records held in memory as plaxen-grid grids the records it holds: the grid laid,
// filled by plaxen's engine, and the residual sums of the records against it.
#pragma once

#include <span>
#include <string>

#include "plaxen/grid/data_reader.h"
#include "plaxen/grid/grid_options.h"
#include "plaxen/grid/made_grid.h"
#include "plaxen/grid/point_store.h"
#include "plaxen/grid/residuals.h"

namespace plaxen::grid {

// Lays the grid of `wanted` over the records of `summary` (lay_out, with per-node counts when
// `counts`), fills it with plaxen's engine from `runs` (every record, in file order) and sums
// the residuals of the records against it, on `threads` threads; the result never depends on
// their number. Returns an empty string, or lay_out's line for a grid that cannot be laid or
// had in memory. Throws std::bad_alloc, std::system_error as the engine does.
std::string grid_held_records(const GridSpec& wanted, std::span<const RecordRun> runs,
                              const DataSummary& summary, int threads, bool counts, MadeGrid& grid,
                              ResidualSums& residuals);

}  // namespace plaxen::grid
