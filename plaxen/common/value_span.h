// The span of the data values, which the node encoding of the interpolation must hold.
#pragma once

#include <cstdint>
#include <span>

namespace plaxen {

// Spans at or above this break the node encoding: a full node (points_per_node points)
// accumulates about 525 times the span, which must stay below the 0.9e35 threshold of unusable
// nodes.
inline constexpr float max_value_span = 1.0e32f;

// The span of the values zp(1..n): zmax - zmin, rounded to single precision as the
// interpolation forms it; spans that are not a finite number below max_value_span cannot be
// gridded. zp is one-based (element 0 unused). With n = 0 nothing spans: 0.
float value_span(std::span<const float> zp, std::int32_t n);

}  // namespace plaxen
