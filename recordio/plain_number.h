// The short plain decimal constants that fill data files (521438.138, -123.4567), read a
// machine word at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Whether `c`, right after the digits and point of a constant, would make it another form:
// an exponent (a letter, or a sign alone) or a repeat count.
inline bool starts_exponent_or_count(char c) {
  switch (c) {
    case 'e':
    case 'E':
    case 'd':
    case 'D':
    case '+':
    case '-':
    case '*':
      return true;
    default:
      return false;
  }
}

// Where the parts of a constant lie, from its first byte.
struct short_constant_shape {
  int sign = 0;  // 1 when it starts with a sign
  int integer_digits = 0;
  int fraction_digits = 0;
  int length = 0;  // the sign, the digits and the point
};

// The shape of the constant at p when it is of the short plain form: an optional sign, at
// most 7 digits, and optionally a point and at most 7 digits, at least one digit in all.
// Returns false for every other form. Looks at no more than short_decimal_lookahead bytes.
//
// Eight bytes at a time: the integer digits, then the point and the fraction digits.
inline bool shape_by_words(const char* p, short_constant_shape& shape) {
  if constexpr (std::endian::native != std::endian::little) return false;
  shape.sign = (*p == '-') | (*p == '+');
  const char* q = p + shape.sign;
  shape.integer_digits = leading_digits(load_word(q));
  q += shape.integer_digits;
  shape.fraction_digits = 0;
  if (*q == '.') {
    ++q;
    shape.fraction_digits = leading_digits(load_word(q));
    q += shape.fraction_digits;
    if (*q == '.') return false;  // a second point
  }
  shape.length = static_cast<int>(q - p);
  return shape.integer_digits <= 7 && shape.fraction_digits <= 7 &&
         shape.integer_digits + shape.fraction_digits > 0;
}

#if defined(__SSE2__)
// Sixteen bytes classified at once, so that finding the constant's end waits on one load
// rather than on two in a row: the constant is the optional sign and then every digit and
// point up to the first other byte, which must lie among the sixteen (a constant of 16
// bytes, a sign and 15 digits and point, is declined).
inline bool shape_by_vector(const char* p, short_constant_shape& shape) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto where = [bytes](char c) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
  };
  const unsigned digits = static_cast<unsigned>(
      _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                      _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)))));
  const unsigned points = where('.');
  const unsigned sign = (where('-') | where('+')) & 1u;
  const int length = std::countr_one(digits | points | sign);
  if (length == 16) return false;
  const unsigned own_points = points & ((1u << length) - 1);
  if ((own_points & (own_points - 1)) != 0) return false;  // a second point
  const int point_at = own_points != 0 ? std::countr_zero(own_points) : length;
  shape.sign = static_cast<int>(sign);
  shape.integer_digits = point_at - shape.sign;
  shape.fraction_digits = own_points != 0 ? length - point_at - 1 : 0;
  shape.length = length;
  return shape.integer_digits <= 7 && shape.fraction_digits <= 7 &&
         shape.integer_digits + shape.fraction_digits > 0;
}
#endif

inline bool shape_short_constant(const char* p, short_constant_shape& shape) {
#if defined(__SSE2__)
  return shape_by_vector(p, shape);
#else
  return shape_by_words(p, shape);
#endif
}

// Reads a constant of the short plain form at p (see shape_short_constant) that is followed
// by a byte that cannot continue a constant (not an exponent letter, sign or asterisk).
// Requires short_decimal_lookahead readable bytes at p. On success stores the constant
// correctly rounded to double, exactly as atof converts it, and returns the first byte
// after it; returns nullptr for every other form, which the callers read another way.
//
// Exactness: the digits form an integer m below 10^14 < 2^53 and the constant is m / 10^f
// with f <= 7. Both m and 10^f are exact doubles, so the one division rounds the exact
// quotient once, correctly (Clinger's fast path; rounding is to nearest throughout).
inline const char* scan_short_decimal(const char* p, double& value) {
  if constexpr (std::endian::native != std::endian::little) return nullptr;
  short_constant_shape shape;
  if (!shape_short_constant(p, shape)) return nullptr;
  const char* const end = p + shape.length;
  if (starts_exponent_or_count(*end)) return nullptr;
  // The digits, eight bytes at a time, and one rounding: m / 10^f.
  const char* const first = p + shape.sign;
  const int f = shape.fraction_digits;
  std::uint64_t digits = 0;
  if (shape.integer_digits > 0) digits = digits_value(load_word(first), shape.integer_digits);
  if (f > 0) {
    const std::uint64_t fraction = digits_value(load_word(first + shape.integer_digits + 1), f);
    digits = digits * short_decimal_scales[f] + fraction;
  }
  double magnitude = static_cast<double>(digits);
  if (f > 0) magnitude /= short_decimal_powers[f];
  value = *p == '-' ? -magnitude : magnitude;
  return end;
}

}  // namespace recordio::detail
