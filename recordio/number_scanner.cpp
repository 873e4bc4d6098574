// Conversion of the significant digits of a list-directed constant to double.
#include "recordio/number_scanner.h"

#include <charconv>

namespace recordio::detail {

double significant_digits::convert(bool negative, std::int64_t exponent) const {
  if (count_ == 0) return negative ? -0.0 : 0.0;
  // "-" d1..d40 "e" and an exponent of at most 20 characters.
  char text[1 + max_significant_digits + 1 + 24];
  char* p = text;
  if (negative) *p++ = '-';
  for (int i = 0; i < count_; ++i) *p++ = digit_[i];
  *p++ = 'e';
  p = std::to_chars(p, text + sizeof text, scale_ + exponent).ptr;
  double value = 0;
  fast_float::from_chars(text, p, value);
  return value;
}

}  // namespace recordio::detail
