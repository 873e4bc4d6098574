// Building the report: plaxen's geometry, checks and counts for the loaded data.
#include "plaxen/info/info_report.h"

#include <span>

#include "plaxen/common/capacities.h"
#include "plaxen/common/job_check.h"
#include "plaxen/common/value_span.h"
#include "plaxen/engine/node_encoding.h"

namespace plaxen::info {
namespace {

// The one-based point arrays as zgrid receives them: n values from element 1.
std::span<const float> first_n(const float* array, std::int32_t n) {
  return std::span<const float>(array + 1, std::size_t(n));
}

GridReport grid_report(const DataLimits& limits, const GridSize& size, float value_span) {
  GridReport grid;
  grid.size = size;
  grid.geometry.xmin = limits.xmin;  // the rest once derived
  grid.geometry.ymin = limits.ymin;
  const std::span<const float> zp = first_n(points.zp, points.n);
  grid.value_span = value_span;
  grid.span_accepted = grid.value_span < max_value_span;
  for (const float value : zp)
    if (value == missing_value) ++grid.missing_value_readings;
  grid.refusal = judge_job(size, max_nodes, grid.value_span);
  if (too_few_nodes(size)) return grid;
  grid.geometry = grid_geometry(limits, size);
  grid.spacing_known = true;
  if (grid.refusal.empty())
    grid.census = take_census(size, grid.geometry, first_n(points.xp, points.n),
                              first_n(points.yp, points.n), zp);
  return grid;
}

}  // namespace

InfoReport make_report(const DataFile& file, const std::optional<GridSize>& size) {
  InfoReport report;
  report.data_name = file.name;
  report.records = points.n;
  report.records_ignored = file.records_ignored;
  report.limits = file.load.limits;
  const engine::encoding_scalars range = engine::data_range(first_n(points.zp, points.n));
  report.value_min = range.zmin;
  report.value_max = range.zmax;
  if (size) {
    report.grid = grid_report(file.load.limits, *size, range.zspan);
  } else {
    report.suggestion = suggest_grid(points.n, file.load.limits);
    if (report.suggestion.size.nx != 0) {
      const GridGeometry g = grid_geometry(file.load.limits, report.suggestion.size);
      report.suggestion.dx = g.dx;
      report.suggestion.dy = g.dy;
    }
  }
  return report;
}

}  // namespace plaxen::info
