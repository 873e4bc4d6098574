// Check of the data values' span against the node encoding's range.
#include "plaxen/common/value_span.h"

#include "plaxen/engine/data_range.h"

namespace plaxen {

bool value_span_too_large(std::span<const float> zp, std::int32_t n) {
  if (n < 1 || std::size_t(n) >= zp.size()) return false;
  // The span exactly as the interpolation's data range forms it.
  const float span = engine::data_range(zp.subspan(1, std::size_t(n))).zspan;
  return !(span < max_value_span);
}

}  // namespace plaxen
