// Building the report: plaxen's geometry, checks and counts for the loaded data.
#include "plaxen/info/info_report.h"

#include <span>

#include "plaxen/common/value_span.h"
#include "plaxen/engine/node_encoding.h"

namespace plaxen::info {
namespace {

// The one-based point arrays as zgrid receives them: n values from element 1.
std::span<const float> first_n(const float* array, std::int32_t n) {
  return std::span<const float>(array + 1, std::size_t(n));
}

GridReport grid_report(const GridSize& size) {
  GridReport grid;
  grid.size = size;
  grid.geometry = zmask;  // xmin and ymin; the rest once derived
  const std::span<const float> zp = first_n(points.zp, points.n);
  grid.value_span = engine::data_range(zp).zspan;
  grid.span_accepted = !value_span_too_large(std::span<const float>(points.zp), points.n);
  for (const float value : zp)
    if (value == missing_value) ++grid.missing_value_readings;
  // The checks in plaxen's order: too few nodes, spacing, too many nodes, extent, span.
  if (too_few_nodes(size)) {
    grid.refusal = "the grid needs at least 2 nodes along x and along y";
    return grid;
  }
  derive_spacing(size);
  fit_grid_extent(size);
  grid.spacing_known = true;
  grid.geometry = zmask;
  if (too_many_nodes(size)) {
    grid.refusal = "too many matrix elements";
  } else if (!grid.span_accepted) {
    grid.refusal = "the data values span 1.0e32 or more, too much to grid";
  } else {
    grid.census =
        take_census(size, zmask, first_n(points.xp, points.n), first_n(points.yp, points.n), zp);
  }
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
  copy_data_limits(file.load.limits);
  if (size) {
    report.grid = grid_report(*size);
  } else {
    report.suggestion = suggest_grid(file.load.limits);
    if (report.suggestion.size.nx != 0) {
      derive_spacing(report.suggestion.size);
      report.suggestion.dx = zmask.dx;
      report.suggestion.dy = zmask.dy;
    }
  }
  return report;
}

}  // namespace plaxen::info
