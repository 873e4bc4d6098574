// The span of the data values, which the node encoding of the interpolation must hold.
#pragma once

#include <cstdint>
#include <span>

namespace plaxen {

// Spans at or above this break the node encoding: a node of 20 points accumulates about 525
// times the span, which must stay below the 0.9e35 threshold of unusable nodes.
inline constexpr float max_value_span = 1.0e32f;

// Whether the values zp(1..n) span too much to be gridded: zmax - zmin, rounded to single
// precision as the interpolation forms it, is not a finite number below max_value_span.
// zp is one-based (element 0 unused). With n = 0 nothing spans: false.
bool value_span_too_large(std::span<const float> zp, std::int32_t n);

}  // namespace plaxen
