// The search for a grid size with near-square cells and the most nodes plaxen admits.
#include "plaxen/info/grid_suggestion.h"

#include <cmath>
#include <cstdint>

#include "plaxen/common/capacities.h"
#include "plaxen/common/job_check.h"

namespace plaxen::info {
namespace {

// How far the cells of an nx by ny grid over width w and height h are from square.
double aspect_error(const GridSize& size, double w, double h) {
  return std::fabs(std::log((w / (size.nx - 1)) / (h / (size.ny - 1))));
}

// The count along the other axis that comes closest to square cells for `count` nodes along
// an axis of extent `along`, the other axis having extent `across`; at least 2.
std::int32_t matching_count(std::int32_t count, double along, double across) {
  const double ideal = std::round(across / along * (count - 1)) + 1.0;
  return ideal < 2.0 ? 2 : ideal > max_nodes ? max_nodes : static_cast<std::int32_t>(ideal);
}

// Keeps `candidate` when it is admitted and better than `best`.
void consider(GridSize candidate, double w, double h, GridSize& best) {
  const std::int64_t nodes = std::int64_t{candidate.nx} * candidate.ny;
  if (nodes > max_nodes) return;
  const std::int64_t best_nodes = std::int64_t{best.nx} * best.ny;
  if (nodes > best_nodes ||
      (nodes == best_nodes && aspect_error(candidate, w, h) < aspect_error(best, w, h)))
    best = candidate;
}

}  // namespace

GridSuggestion suggest_grid(std::int64_t records, const DataLimits& limits) {
  GridSuggestion suggestion;
  const double w = double{limits.xmax} - double{limits.xmin};
  const double h = double{limits.ymax} - double{limits.ymin};
  suggestion.reason = degenerate_extent(records, limits);
  if (suggestion.reason.empty()) {
    GridSize best{0, 0};
    for (std::int32_t n = 2; n <= max_nodes / 2; ++n) {
      consider({n, matching_count(n, w, h)}, w, h, best);
      consider({matching_count(n, h, w), n}, w, h, best);
    }
    suggestion.size = best;
  }
  return suggestion;
}

}  // namespace plaxen::info
