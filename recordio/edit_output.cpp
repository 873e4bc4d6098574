// The text of one output field: Iw, Aw and Ew.d edit descriptors.
#include "recordio/edit_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "recordio/format_parser.h"

namespace recordio::detail {
namespace {

// Appends `text` right-justified in `width` columns, or `width` asterisks when it is longer.
void put_right_justified(std::string& record, std::string_view text, int width) {
  auto w = static_cast<std::size_t>(width);
  if (text.size() > w) {
    record.append(w, '*');
    return;
  }
  record.append(w - text.size(), ' ');
  record.append(text);
}

// The digits m1..md and decimal exponent of |value| as the correctly rounded conversion
// "%.{digits-1}E" gives them. Writes the digits to `out` (digits chars).
int scientific_digits(double magnitude, int digits, char* out) {
  // d significant digits, a point, "e", sign and up to three exponent digits.
  char text[max_format_digits + 16];
  auto result =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, digits - 1);
  const char* p = text;
  out[0] = *p++;
  if (digits > 1) ++p;  // the point
  for (int i = 1; i < digits; ++i) out[i] = *p++;
  ++p;  // 'e'
  int exponent = 0;
  std::from_chars(p + (*p == '+' ? 1 : 0), result.ptr, exponent);
  return exponent;
}

}  // namespace

void put_integer_field(std::string& record, std::int32_t value, int width) {
  char text[16];
  auto result = std::to_chars(text, text + sizeof text, value);
  put_right_justified(record, std::string_view(text, static_cast<std::size_t>(result.ptr - text)),
                      width);
}

void put_character_field(std::string& record, std::string_view item, int width) {
  auto w = static_cast<std::size_t>(width);
  if (width == 0 || w == item.size()) {
    record.append(item);
  } else if (w < item.size()) {
    record.append(item.substr(0, w));
  } else {
    record.append(w - item.size(), ' ');
    record.append(item);
  }
}

void put_real_field(std::string& record, float value, int width, int digits) {
  const double v = value;
  // Step 1: values that are not numbers.
  if (std::isnan(v)) return put_right_justified(record, "NAN", width);
  if (std::isinf(v)) return put_right_justified(record, v < 0 ? "-INF" : "INF", width);
  // Step 2: sign, digits and the written exponent (zero: all digits 0, exponent +00).
  const bool negative = v < 0;
  char mantissa[max_format_digits];
  int exponent = 0;
  if (v == 0) {
    std::fill(mantissa, mantissa + digits, '0');
  } else {
    exponent = scientific_digits(std::fabs(v), digits, mantissa) + 1;
  }
  char exponent_text[8];
  char* e = exponent_text;
  *e++ = exponent < 0 ? '-' : '+';
  int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) *e++ = '0';
  e = std::to_chars(e, exponent_text + sizeof exponent_text, magnitude).ptr;
  // Step 3: the field; the leading "0" only where there is room for it.
  const auto exponent_size = static_cast<std::size_t>(e - exponent_text);
  const std::size_t need =
      (negative ? 1 : 0) + 1 + static_cast<std::size_t>(digits) + 1 + exponent_size;
  const auto w = static_cast<std::size_t>(width);
  if (need > w) {
    record.append(w, '*');
    return;
  }
  if (need < w) record.append(w - need - 1, ' ');
  if (negative) record.push_back('-');
  if (need < w) record.push_back('0');
  record.push_back('.');
  record.append(mantissa, static_cast<std::size_t>(digits));
  record.push_back('E');
  record.append(exponent_text, exponent_size);
}

}  // namespace recordio::detail
