// A grid made from records by plaxen's engine: laid by a GridSpec, held column by column,
// with the readings of each node when asked for. plaxen-grid and the Python module make
// their grids here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plaxen/common/large_array.h"
#include "plaxen/engine/gridding.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/grid/data_reader.h"
#include "plaxen/grid/grid_layout.h"
#include "plaxen/grid/grid_options.h"

namespace plaxen::grid {

struct MadeGrid {
  GridLayout layout;
  // Node (i, j) at (i-1)*ny + (j-1): column by column, so that the engine's sweeps run in
  // memory order. After fill(): the values plaxen would write, -999.0 at undefined nodes.
  LargeArray<float> z;
  LargeArray<std::uint32_t> counts;  // readings that fell on each node, when asked for
  engine::gridding_stats stats;

  // The grid with its geometry, as the writers and the residuals take it.
  exporting::ExportGrid placed() const {
    return {layout.size, layout.geometry, z, std::size_t(layout.size.ny), 1};
  }
};

// Lays the grid of `wanted` over records of `summary` (lay_grid) and allocates it, with
// `counts` a counts array too, after checking that the memory can be had. Returns a refusal
// with an empty line, or the line that says why not (memory is never the data's fault).
LayRefusal lay_out(const GridSpec& wanted, const DataSummary& summary, bool counts, MadeGrid& grid);

// Fills the laid grid with plaxen's engine on the members of `team`, or on the calling thread
// alone when the grid fits a core's cache (the result never depends on their number): `assign`
// hands every record to the gridding, in file order, once. Then the nodes without a value are
// marked -999.0, as plaxen marks them.
void fill(MadeGrid& grid, const engine::value_range& values, engine::worker_team& team,
          const std::function<void(engine::gridding&)>& assign);

}  // namespace plaxen::grid
