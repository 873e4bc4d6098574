// Stage 1 of zgrid: the range of the data values, scanned in input order, and the scalars of
// the node encoding derived from it.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>

#include "plaxen/common/float_extremes.h"

namespace plaxen::engine {

// The scan of the values in input order: zmin = zmax = the first value, then each later value
// replaces zmin when it is <= zmin and zmax when it is >= zmax. Values can be taken one at a
// time (add) or a later run of them can be scanned on its own and merged (merge): the result
// is always that of the one scan over the whole sequence, bit for bit, whatever the values.
//
// What that scan gives: a first value that is not a number stays zmin and zmax for good
// (nothing compares <= or >= to it), later ones are never taken; otherwise zmin is the last
// of the values that equal the smallest (so -0.0 and 0.0 go by position) and zmax the last
// of those that equal the largest. The state below keeps exactly what a merge needs for that.
class value_range {
 public:
  void add(float value) {
    if (count_++ == 0) first_ = value;
    if (std::isnan(value)) return;
    if (!has_number_ || value <= lowest_) lowest_ = value;
    if (!has_number_ || value >= highest_) highest_ = value;
    has_number_ = true;
  }
  // The values of a run in order, as add() takes them one at a time.
  void add(std::span<const float> values) {
    if (values.empty()) return;
    const float_extremes e = extremes_of(values);
    if (!plain_extremes(e)) {
      for (const float value : values) add(value);
      return;
    }
    // No NaN and no extreme 0: the run's extremes are the only values of their bits, and
    // the scan over it takes them.
    if (count_ == 0) first_ = values[0];
    count_ += std::int64_t(values.size());
    if (!has_number_ || e.lowest <= lowest_) lowest_ = e.lowest;
    if (!has_number_ || e.highest >= highest_) highest_ = e.highest;
    has_number_ = true;
  }

  // Continues the scan with the values `later` has scanned, which follow these in input order.
  void merge(const value_range& later) {
    if (later.count_ == 0) return;
    if (count_ == 0) {
      *this = later;
      return;
    }
    count_ += later.count_;
    if (!later.has_number_) return;
    if (!has_number_ || later.lowest_ <= lowest_) lowest_ = later.lowest_;
    if (!has_number_ || later.highest_ >= highest_) highest_ = later.highest_;
    has_number_ = true;
  }

  std::int64_t count() const { return count_; }
  // The scan's results; 0 when no value was taken.
  float zmin() const { return count_ == 0 ? 0.0f : std::isnan(first_) ? first_ : lowest_; }
  float zmax() const { return count_ == 0 ? 0.0f : std::isnan(first_) ? first_ : highest_; }

 private:
  std::int64_t count_ = 0;
  float first_ = 0.0f;
  bool has_number_ = false;  // lowest_ and highest_ hold values
  float lowest_ = 0.0f;      // the scan's zmin over the values that are numbers
  float highest_ = 0.0f;     // and its zmax
};

// The scalars derived from the data range, each rounded to single precision in this order.
struct encoding_scalars {
  float zmin = 0.0f;
  float zmax = 0.0f;
  float zspan = 0.0f;  // zmax - zmin
  float zoff = 0.0f;   // -zmin + zspan*0.25: maps the data into [0.25, 1.25]*zspan
  float ztop = 0.0f;   // zoff + zmax
  float zstep = 0.0f;  // ztop*20: added with each accumulated point
  float zcap = 0.0f;   // ztop*400: no point is accepted by a node at or above it
};

// The scalars of the scanned range, each formula evaluated in double and rounded once. No
// value at all gives all scalars 0 (then no point is ever assigned).
inline encoding_scalars encoding_of(const value_range& range) {
  const auto stored = [](double value) { return static_cast<float>(value); };
  encoding_scalars enc;
  if (range.count() == 0) return enc;
  enc.zmin = range.zmin();
  enc.zmax = range.zmax();
  enc.zspan = stored(double(enc.zmax) - double(enc.zmin));
  enc.zoff = stored(-double(enc.zmin) + double(enc.zspan) * 0.25);
  enc.ztop = stored(double(enc.zoff) + double(enc.zmax));
  enc.zstep = stored(double(enc.ztop) * 20.0);
  enc.zcap = stored(double(enc.ztop) * 400.0);
  return enc;
}

// Stage 1 over one sequence of values.
inline encoding_scalars data_range(std::span<const float> zp) {
  value_range range;
  range.add(zp);
  return encoding_of(range);
}

}  // namespace plaxen::engine
