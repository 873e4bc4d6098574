// Laying, allocating and filling a grid with plaxen's engine.
#include "plaxen/grid/made_grid.h"

#include "plaxen/common/gridding_settings.h"
#include "plaxen/driver/grid_file.h"
#include "plaxen/engine/node_encoding.h"

namespace plaxen::grid {

LayRefusal lay_out(const GridSpec& wanted, const DataSummary& summary, bool counts,
                   MadeGrid& grid) {
  const engine::encoding_scalars enc = engine::encoding_of(summary.values);
  LayRefusal refusal;
  if (!lay_grid(wanted, summary.records, summary.limits, enc.zspan, grid.layout, refusal))
    return refusal;
  const GridSize& size = grid.layout.size;
  const std::int64_t bytes = grid_bytes(size, counts);
  if (!memory_for(bytes, size, refusal.line)) return refusal;
  const auto nodes = std::size_t(std::int64_t{size.nx} * size.ny);
  try {
    grid.z = LargeArray<float>(nodes);
    if (counts) grid.counts = LargeArray<std::uint32_t>(nodes);
  } catch (const std::bad_alloc&) {
    return {memory_need(bytes, size) + ", which the system cannot give now"};
  }
  return {};
}

namespace {

// Nodes of a grid whose values fit a core's cache (1 MB). The engine fills such a grid on
// one thread: a team took as long for up to 10,000,000 readings and twice the processor
// time, its members waiting for each other at every stage.
constexpr std::int64_t cached_nodes = std::int64_t{1} << 18;

}  // namespace

void fill(MadeGrid& grid, const engine::value_range& values, engine::worker_team& run_team,
          const std::function<void(engine::gridding&)>& assign) {
  const GridSize& size = grid.layout.size;
  engine::worker_team& team =
      std::int64_t{size.nx} * size.ny <= cached_nodes ? engine::lone_worker() : run_team;
  const GridGeometry& g = grid.layout.geometry;
  const engine::node_grid nodes = engine::make_node_grid(grid.z, size.nx, size.ny, size.ny, 1);
  engine::gridding gridding(nodes, {g.xmin, g.ymin, g.dx, g.dy}, engine::encoding_of(values), team,
                            grid.counts);
  gridding.clear();
  assign(gridding);
  grid.stats = gridding.finish(gridding_tension, gridding_fill_passes);
  mark_undefined_nodes(grid.z, size.nx, size.ny);
}

}  // namespace plaxen::grid
