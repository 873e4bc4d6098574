// The data limits of points taken one at a time or run by run, as the loader tracks them.
#pragma once

#include <cmath>
#include <span>

#include "plaxen/common/scattered_data.h"

namespace plaxen {

// Gives exactly the limits that track_limits leaves after the whole sequence of points in
// input order, starting from DataLimits{}, whether the points come one at a time (add) or a
// later run is tracked on its own and merged (merge); bit for bit, whatever the values.
//
// What track_limits gives: xmax takes x when xmax < x, so it is the first of the values equal
// to the largest, or the start -1.0e35 when none exceeds it, and never a NaN. xmin takes x
// when !(xmin <= x): a NaN is always taken, and so is the value right after it; so xmin is
// the first of the smallest values after the last NaN (with the start 1.0e35 among them when
// there was no NaN), or that NaN itself when it came last. Likewise y.
class limits_tracker {
 public:
  void add(float x, float y) {
    x_low_.add(x);
    y_low_.add(y);
    if (highest_.xmax < x) highest_.xmax = x;
    if (highest_.ymax < y) highest_.ymax = y;
  }
  // The points (x[k], y[k]) of a run in order, as add() takes them one at a time.
  void add(std::span<const float> x, std::span<const float> y);
  // Continues with the points `later` has tracked, which follow these in input order.
  void merge(const limits_tracker& later);
  DataLimits limits() const;

 private:
  // The lower limit along one axis: the NaN last seen and the scan after it.
  struct lower_scan {
    bool nan_seen = false;
    float last_nan = 0.0f;
    bool tail_empty = true;  // no number since the last NaN (or since the start)
    float tail_min = 0.0f;   // the first of the smallest numbers since then

    void add(float v) {
      if (std::isnan(v)) {
        nan_seen = true;
        last_nan = v;
        tail_empty = true;
      } else if (tail_empty || v < tail_min) {
        tail_min = v;
        tail_empty = false;
      }
    }
    void merge(const lower_scan& later);
    float value(float start) const;
  };

  lower_scan x_low_;
  lower_scan y_low_;
  DataLimits highest_;  // only xmax and ymax are used
};

}  // namespace plaxen
