// Check of the data values' span against the node encoding's range.
#include "plaxen/common/value_span.h"

#include "plaxen/engine/data_range.h"

namespace plaxen {

float value_span(std::span<const float> zp, std::int32_t n) {
  if (n < 1 || std::size_t(n) >= zp.size()) return 0.0f;
  // The span exactly as the interpolation's data range forms it.
  return engine::data_range(zp.subspan(1, std::size_t(n))).zspan;
}

}  // namespace plaxen
