// The smallest and the largest of a run of single reals in one pass, four at a time, for the
// trackers that take a whole run of records at once.
#pragma once

#include <cstddef>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace plaxen {

struct float_extremes {
  bool nan = false;  // a NaN is among the values; lowest and highest then mean nothing
  float lowest = 0.0f;
  float highest = 0.0f;
};

// Of a run of at least one value. Where the extreme is 0, whether it is the 0.0 or the -0.0
// of the run is left open; every other extreme is the one value of its bits.
inline float_extremes extremes_of(std::span<const float> values) {
  float_extremes e{values[0] != values[0], values[0], values[0]};
  std::size_t k = 0;
#if defined(__SSE2__)
  if (values.size() >= 4) {
    __m128 low = _mm_loadu_ps(values.data()), high = low, nan = _mm_cmpunord_ps(low, low);
    for (k = 4; k + 4 <= values.size(); k += 4) {
      const __m128 v = _mm_loadu_ps(values.data() + k);
      low = _mm_min_ps(low, v);
      high = _mm_max_ps(high, v);
      nan = _mm_or_ps(nan, _mm_cmpunord_ps(v, v));
    }
    alignas(16) float lows[4], highs[4];
    _mm_store_ps(lows, low);
    _mm_store_ps(highs, high);
    for (int lane = 0; lane < 4; ++lane) {
      if (lows[lane] < e.lowest) e.lowest = lows[lane];
      if (highs[lane] > e.highest) e.highest = highs[lane];
    }
    e.nan = e.nan || _mm_movemask_ps(nan) != 0;
  }
#endif
  for (; k < values.size(); ++k) {
    const float v = values[k];
    e.nan = e.nan || v != v;
    if (v < e.lowest) e.lowest = v;
    if (v > e.highest) e.highest = v;
  }
  return e;
}

// Whether `e` fixes the order scans' results by its values alone: no NaN, no extreme 0.
inline bool plain_extremes(const float_extremes& e) {
  return !e.nan && e.lowest != 0.0f && e.highest != 0.0f;
}

}  // namespace plaxen
