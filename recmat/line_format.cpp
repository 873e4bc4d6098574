// Record line parsing: sscanf, with a shortcut for plain numbers that gives the same values.
#include "recmat/line_format.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <system_error>

namespace recmat {
namespace {

// White space as isspace knows it in the "C" locale.
bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A character that no scanf number conversion would take as part of a number.
bool ends_number(char c) {
  return c == '\0' || c == ':' || is_blank(c);
}

const char* skip_digits(const char* p) {
  while (is_digit(*p)) ++p;
  return p;
}

// Past [sign] digits, or nullptr when `p` does not start a plain integer.
const char* plain_integer(const char* p) {
  const char* digits = *p == '+' || *p == '-' ? p + 1 : p;
  const char* end = skip_digits(digits);
  return end != digits && ends_number(*end) ? end : nullptr;
}

// Past [sign] digits [. digits], or nullptr when `p` does not start a plain number.
const char* plain_number(const char* p) {
  const char* digits = *p == '+' || *p == '-' ? p + 1 : p;
  const char* end = skip_digits(digits);
  if (end == digits) return nullptr;
  if (*end == '.') {
    const char* fraction = end + 1;
    end = skip_digits(fraction);
    if (end == fraction) return nullptr;
  }
  return ends_number(*end) ? end : nullptr;
}

static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must round to float after each step");

// 10^0 to 10^10, all exact in single precision: 10^k = 2^k * 5^k and 5^10 < 2^24.
constexpr float exact_powers_of_ten[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                         1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Clinger's fast path: when the digits, read as one integer w, are at most 2^24 and at
// most 10 of them follow the point, w and 10^k are exact floats and the one division
// w / 10^k rounds the decimal value correctly. False when the number is not of that kind.
bool short_plain_value(const char* digits, const char* end, float& value) {
  std::uint32_t w = 0;
  int digit_count = 0;
  int fraction_digits = -1;
  for (const char* p = digits; p != end; ++p) {
    if (*p == '.') {
      fraction_digits = 0;
      continue;
    }
    if (++digit_count > 9) return false;  // w < 10^9 fits 32 bits
    w = w * 10 + static_cast<std::uint32_t>(*p - '0');
    if (fraction_digits >= 0) ++fraction_digits;
  }
  if (w > (1u << 24)) return false;
  value = static_cast<float>(w) / exact_powers_of_ten[fraction_digits < 0 ? 0 : fraction_digits];
  return true;
}

// The float nearest to the plain number [p, end), ties to even, as strtof rounds it.
// False when it overflows or underflows: sscanf's handling of that is left to sscanf.
bool plain_value(const char* p, const char* end, float& value) {
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (!short_plain_value(p, end, value)) {
    const auto [stop, error] = std::from_chars(p, end, value);
    if (error != std::errc() || stop != end) return false;
  }
  if (negative) value = -value;  // rounding is symmetric, so negating afterwards is exact
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
      const char* end = *f == 'd' ? plain_integer(p) : plain_number(p);
      if (end == nullptr) return false;
      if (!dropped) {
        if (count == max_line_values || !plain_value(p, end, values[count])) return false;
        ++count;
      }
      p = end;
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
