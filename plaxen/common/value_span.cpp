// Check of the data values' span against the node encoding's range.
#include "plaxen/common/value_span.h"

namespace plaxen {

float value_span(std::span<const float> zp, std::int32_t n) {
  if (n < 1 || std::size_t(n) >= zp.size()) return 0.0f;
  float zmin = zp[1];
  float zmax = zp[1];
  for (std::int32_t k = 2; k <= n; ++k) {
    if (zp[k] <= zmin) zmin = zp[k];
    if (zp[k] >= zmax) zmax = zp[k];
  }
  return static_cast<float>(double{zmax} - double{zmin});
}

}  // namespace plaxen
