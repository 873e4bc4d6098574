// The data limits of points taken one at a time or run by run, as the loader tracks them.
#include "plaxen/common/limits_tracker.h"

#include "plaxen/common/float_extremes.h"

namespace plaxen {

void limits_tracker::lower_scan::merge(const lower_scan& later) {
  if (later.nan_seen) {
    *this = later;  // from a NaN on, nothing before it matters
  } else if (!later.tail_empty && (tail_empty || later.tail_min < tail_min)) {
    tail_min = later.tail_min;
    tail_empty = false;
  }
}

float limits_tracker::lower_scan::value(float start) const {
  if (nan_seen) return tail_empty ? last_nan : tail_min;
  return !tail_empty && tail_min < start ? tail_min : start;
}

void limits_tracker::add(std::span<const float> x, std::span<const float> y) {
  if (x.empty()) return;
  const float_extremes ex = extremes_of(x), ey = extremes_of(y);
  if (!plain_extremes(ex) || !plain_extremes(ey)) {
    for (std::size_t k = 0; k < x.size(); ++k) add(x[k], y[k]);
    return;
  }
  // No NaN and no extreme 0: the run leaves the limits its two corners would leave.
  add(ex.lowest, ey.lowest);
  add(ex.highest, ey.highest);
}

void limits_tracker::merge(const limits_tracker& later) {
  x_low_.merge(later.x_low_);
  y_low_.merge(later.y_low_);
  if (highest_.xmax < later.highest_.xmax) highest_.xmax = later.highest_.xmax;
  if (highest_.ymax < later.highest_.ymax) highest_.ymax = later.highest_.ymax;
}

DataLimits limits_tracker::limits() const {
  const DataLimits start;
  DataLimits limits = highest_;
  limits.xmin = x_low_.value(start.xmin);
  limits.ymin = y_low_.value(start.ymin);
  return limits;
}

}  // namespace plaxen
