// Record line parsing: sscanf, with a shortcut for plain numbers that gives the same values.
#include "recmat/line_format.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "recmat/c_locale_chars.h"

namespace recmat {
namespace {

// A character that no scanf number conversion would take as part of a number.
bool ends_number(char c) {
  return c == '\0' || c == ':' || is_blank(c);
}

// A number of the plain form [sign] digits [. digits], as read from the text.
struct plain_number {
  const char* end = nullptr;     // past the number; nullptr when the text holds none
  const char* digits = nullptr;  // its first digit, after the sign
  bool negative = false;
  std::uint32_t leading = 0;  // its first nine digits read as one integer, point left out
  int digit_count = 0;
  int fraction_digits = 0;
};

// Reads a plain number at `p` (a plain integer when `fraction` is false) that a blank, a
// colon or the end of the text ends; its `end` stays nullptr when there is none.
plain_number read_plain(const char* p, bool fraction) {
  plain_number number;
  number.negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  number.digits = p;
  auto read_digits = [&number, &p] {
    const char* first = p;
    for (; is_digit(*p); ++p)
      if (++number.digit_count <= 9)
        number.leading = number.leading * 10 + static_cast<std::uint32_t>(*p - '0');
    return p != first;
  };
  if (!read_digits()) return number;
  if (fraction && *p == '.') {
    const char* point = p++;
    if (!read_digits()) return number;
    number.fraction_digits = static_cast<int>(p - point - 1);
  }
  if (ends_number(*p)) number.end = p;
  return number;
}

static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must round to float after each step");

// 10^0 to 10^10, all exact in single precision: 10^k = 2^k * 5^k and 5^10 < 2^24.
constexpr float exact_powers_of_ten[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                         1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// The float nearest to `number`, ties to even, as strtof rounds it. Clinger's fast path
// first: when all the digits, read as one integer w, are at most 2^24, w and 10^k (k at most
// 9 here) are exact floats and the one division w / 10^k rounds the value correctly.
// False when the value overflows or underflows: sscanf's handling of that is left to it.
bool value_of(const plain_number& number, float& value) {
  if (number.digit_count <= 9 && number.leading <= (1u << 24)) {
    value = static_cast<float>(number.leading) / exact_powers_of_ten[number.fraction_digits];
  } else {
    const auto [stop, error] = std::from_chars(number.digits, number.end, value);
    if (error != std::errc() || stop != number.end) return false;
  }
  if (number.negative) value = -value;  // rounding is symmetric, so negating after is exact
  return true;
}

}  // namespace

namespace detail {

bool scan_plain(const char* format, const char* text, line_values& values, int& count) {
  count = 0;
  const char* p = text;
  for (const char* f = format; *f != '\0'; ++f) {
    if (*f == ' ') {
      while (is_blank(*p)) ++p;
    } else if (*f != '%') {
      if (*p != *f) return true;  // a mismatch, or the end of the text, ends the scan
      ++p;
    } else {
      const bool dropped = f[1] == '*';
      f += dropped ? 2 : 1;
      while (is_blank(*p)) ++p;  // every number conversion skips white space first
      if (*p == '\0') return true;
      const plain_number number = read_plain(p, *f != 'd');
      if (number.end == nullptr) return false;
      if (!dropped) {
        if (count == max_line_values || !value_of(number, values[static_cast<std::size_t>(count)]))
          return false;
        ++count;
      }
      p = number.end;
    }
  }
  return true;
}

}  // namespace detail

int scan_line(const char* format, const char* text, line_values& values) {
  int count = 0;
  if (detail::scan_plain(format, text, values, count)) return count;
  // Extra arguments beyond the format's conversions are ignored by sscanf.
  count = std::sscanf(text, format, &values[0], &values[1], &values[2], &values[3], &values[4],
                      &values[5]);
  return count < 0 ? 0 : count;
}

}  // namespace recmat
