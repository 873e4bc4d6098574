// The short plain decimal constants that fill data files (521438.138, -123.4567), read a
// machine word at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace recordio::detail {

// Bytes from the start of a constant that scan_short_decimal may look at: a sign, eight
// digit bytes, a point, eight digit bytes and the byte after them, rounded up.
inline constexpr std::ptrdiff_t short_decimal_lookahead = 32;

// 10^f as a double and as an integer, f = 0..7.
inline constexpr double short_decimal_powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
inline constexpr std::uint64_t short_decimal_scales[] = {1,     10,     100,     1000,
                                                         10000, 100000, 1000000, 10000000};

// The eight bytes at p, the first in the lowest byte.
inline std::uint64_t load_word(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// How many of the word's bytes, from its first, are the digits 0 to 9 (8: all of them).
// A byte is a digit when neither byte + 0x46 nor byte - 0x30 sets its high bit; carries and
// borrows only start at non-digit bytes, so they cannot hide the first of them.
inline int leading_digits(std::uint64_t word) {
  const std::uint64_t not_digit =
      ((word + 0x4646464646464646) | (word - 0x3030303030303030)) & 0x8080808080808080;
  return not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
}

// The value of the first `count` bytes of the word, all digits, count in 1..8: the digits
// are moved to the top of the word (leading zeros below them) and combined in pairs,
// quadruples and the whole: 10 = 10^1, 100 + 10^6 * 2^32 and 1 + 10^4 * 2^32 weigh them.
inline std::uint32_t digits_value(std::uint64_t word, int count) {
  word -= 0x3030303030303030;
  word <<= 8 * (8 - count);
  word = word * 10 + (word >> 8);
  word = (((word & 0x000000FF000000FF) * 0x000F424000000064) +
          (((word >> 16) & 0x000000FF000000FF) * 0x0000271000000001)) >>
         32;
  return static_cast<std::uint32_t>(word);
}

// Reads a constant of the short plain form at p: an optional sign, at most 7 digits, and
// optionally a point and at most 7 digits, at least one digit in all, followed by a byte
// that cannot continue a constant (not a digit, point, exponent letter, sign or asterisk).
// Requires short_decimal_lookahead readable bytes at p. On success stores the constant
// correctly rounded to double, exactly as atof converts it, and returns the first byte
// after it; returns nullptr for every other form, which the callers read another way.
//
// Exactness: the digits form an integer m below 10^14 < 2^53 and the constant is m / 10^f
// with f <= 7. Both m and 10^f are exact doubles, so the one division rounds the exact
// quotient once, correctly (Clinger's fast path; rounding is to nearest throughout).
inline const char* scan_short_decimal(const char* p, double& value) {
  if constexpr (std::endian::native != std::endian::little) return nullptr;
  const bool negative = *p == '-';
  const char* q = p + ((*p == '-') | (*p == '+'));
  // Step 1: the integer digits.
  const std::uint64_t integer_word = load_word(q);
  const int integer_digits = leading_digits(integer_word);
  if (integer_digits == 8) return nullptr;
  std::uint64_t digits = integer_digits == 0 ? 0 : digits_value(integer_word, integer_digits);
  q += integer_digits;
  // Step 2: the point and the fraction digits.
  int fraction_digits = 0;
  if (*q == '.') {
    const std::uint64_t fraction_word = load_word(++q);
    fraction_digits = leading_digits(fraction_word);
    if (fraction_digits == 8) return nullptr;
    if (fraction_digits > 0)
      digits = digits * short_decimal_scales[fraction_digits] +
               digits_value(fraction_word, fraction_digits);
    q += fraction_digits;
  }
  // Step 3: the constant must end here.
  if (integer_digits + fraction_digits == 0) return nullptr;
  switch (*q) {
    case '.':
    case 'e':
    case 'E':
    case 'd':
    case 'D':
    case '+':
    case '-':
    case '*':
      return nullptr;
    default:
      break;
  }
  // Step 4: one rounding, m / 10^f.
  double magnitude = static_cast<double>(digits);
  if (fraction_digits > 0) magnitude /= short_decimal_powers[fraction_digits];
  value = negative ? -magnitude : magnitude;
  return q;
}

}  // namespace recordio::detail
