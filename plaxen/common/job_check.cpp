// Judging a job: the grid size, the value span and the extent of the data.
#include "plaxen/common/job_check.h"

#include <cmath>

#include "plaxen/common/value_span.h"

namespace plaxen {

std::string_view judge_job(const GridSize& size, std::int64_t capacity, float value_span) {
  if (too_few_nodes(size)) return too_few_nodes_refusal;
  if (std::int64_t{size.nx} * std::int64_t{size.ny} > capacity) return too_many_nodes_refusal;
  if (!(value_span < max_value_span)) return value_span_refusal;
  return {};
}

std::string_view degenerate_extent(std::int64_t records, const DataLimits& limits) {
  if (records == 0) return no_records_refusal;
  const double w = double{limits.xmax} - double{limits.xmin};
  const double h = double{limits.ymax} - double{limits.ymin};
  if (!std::isfinite(w) || !std::isfinite(h)) return limits_not_finite_refusal;
  if (!(w > 0)) return no_x_extent_refusal;
  if (!(h > 0)) return no_y_extent_refusal;
  return {};
}

std::string_view degenerate_geometry(std::int64_t records, const DataLimits& limits,
                                     const GridGeometry& geometry) {
  if (const std::string_view why = degenerate_extent(records, limits); !why.empty()) return why;
  const auto usable = [](float step) { return std::isfinite(step) && step > 0.0f; };
  if (!usable(geometry.dx) || !usable(geometry.dy)) return spacing_unusable_refusal;
  return {};
}

}  // namespace plaxen
