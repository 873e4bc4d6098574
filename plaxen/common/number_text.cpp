// Shortest round-trip decimal texts of single reals and doubles.
#include "plaxen/common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace plaxen {
namespace {

template <class Real>
std::string shortest(Real value, int precision = -1) {
  char text[64];
  const auto end = precision < 0 ? std::to_chars(text, text + sizeof text, value).ptr
                                 : std::to_chars(text, text + sizeof text, value,
                                                 std::chars_format::general, precision)
                                       .ptr;
  return std::string(text, end);
}

}  // namespace

std::string exact_text(float value) {
  std::string text = shortest(value);
  if (!std::isfinite(value)) return text;
  // The shortest text rounds straight to `value`; read through double it could in principle
  // land on the other side of a halfway point between two single reals. Nine significant
  // digits always lie far enough from every halfway point.
  const double through_double = std::strtod(text.c_str(), nullptr);
  if (static_cast<float>(through_double) != value) text = shortest(value, 9);
  return text;
}

std::string exact_text(double value) {
  return shortest(value);
}

}  // namespace plaxen
