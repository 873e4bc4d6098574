// The commonest line of a data file read whole: short plain decimal constants between blanks,
// every constant's place found from the line's bytes at once and its digits combined sixteen
// at a time. x86-64 processors with SSSE3 and SSE4.1 (all from the last fifteen years) run
// it; the caller asks whole_line_available() first.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "recordio/plain_number.h"

#if defined(__GNUC__) && defined(__x86_64__)
#define RECORDIO_WHOLE_LINE 1
#include <immintrin.h>
#endif

namespace recordio::detail {

#if defined(RECORDIO_WHOLE_LINE)

// Bytes whole_line_values needs readable from the start of a line: the 64 it may classify
// and the 16 loaded at a constant starting among them, rounded up.
inline constexpr std::ptrdiff_t whole_line_lookahead = 96;

inline bool whole_line_available() {
  static const bool available = __builtin_cpu_supports("ssse3") &&
                                __builtin_cpu_supports("sse4.1") &&
                                __builtin_cpu_supports("popcnt");
  return available;
}

// For a constant of i integer and f fraction digits, the bytes from its first digit that
// go to the last i + f lanes of sixteen, the point passed over; the other lanes take 0x80,
// which the shuffle turns into zeros.
struct digit_shuffles {
  alignas(16) std::array<std::array<std::array<std::uint8_t, 16>, 8>, 8> lanes{};
  constexpr digit_shuffles() {
    for (std::size_t i = 0; i < 8; ++i)
      for (std::size_t f = 0; f < 8; ++f)
        for (std::size_t lane = 0; lane < 16; ++lane) {
          // The digit's place among the i + f, when the lane holds one.
          const std::size_t first_lane = 16 - i - f;
          const std::size_t k = lane - first_lane;
          lanes[i][f][lane] =
              lane < first_lane ? 0x80 : static_cast<std::uint8_t>(k < i ? k : k + 1);
        }
  }
};
inline constexpr digit_shuffles digit_shuffle_table;

// The classes of a line's first 32 or 64 bytes, bit k for byte k.
struct line_bits {
  std::uint64_t digit = 0;
  std::uint64_t blank = 0;  // blank or tab
  std::uint64_t newline = 0;
};

// Adds the classes of the 32 bytes at p, as bits `shift` on.
[[gnu::target("ssse3,sse4.1,popcnt")]] inline void add_line_bits(const char* p, int shift,
                                                                 line_bits& b) {
  for (int half = 0; half < 2; ++half) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half));
    const __m128i above_zero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(above_zero, _mm_set1_epi8(9)), above_zero);
    const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                                       _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
    const __m128i newline = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
    const int at = shift + 16 * half;
    const auto bits = [at](__m128i m) {
      return std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(m))} << at;
    };
    b.digit |= bits(digit);
    b.blank |= bits(blank);
    b.newline |= bits(newline);
  }
}

// The value of the constant on bytes [first, last] of `line`, whose bytes that are not
// digits are `others`: one that scan_short_decimal reads (an optional sign, at most 7
// digits, and optionally a point and at most 7 digits, at least one digit), taken exactly
// as it takes it. False for any other text.
[[gnu::target("ssse3,sse4.1,popcnt")]] inline bool whole_line_constant(const char* line, int first,
                                                                       int last,
                                                                       std::uint64_t others,
                                                                       float& value) {
  std::uint64_t own = others & ((std::uint64_t{2} << last) - (std::uint64_t{1} << first));
  int sign = 0;
  if ((own >> first) & 1) {
    if (line[first] != '-' && line[first] != '+') return false;
    sign = 1;
    own &= own - 1;
  }
  int point = last + 1;
  if (own != 0) {
    if ((own & (own - 1)) != 0) return false;
    point = std::countr_zero(own);
    if (line[point] != '.') return false;
  }
  const int integer_digits = point - first - sign;
  const int fraction_digits = point <= last ? last - point : 0;
  if (integer_digits > 7 || fraction_digits > 7 || integer_digits + fraction_digits == 0)
    return false;
  // The digits moved to the last lanes, then combined in pairs, fours and eights: m is
  // the integer of all the digits, exactly, as digits_value forms it.
  const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + first + sign));
  __m128i d = _mm_shuffle_epi8(
      _mm_sub_epi8(text, _mm_set1_epi8('0')),
      _mm_load_si128(reinterpret_cast<const __m128i*>(
          digit_shuffle_table.lanes[std::size_t(integer_digits)][std::size_t(fraction_digits)]
              .data())));
  d = _mm_maddubs_epi16(d, _mm_setr_epi8(10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1));
  d = _mm_madd_epi16(d, _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1));
  d = _mm_packus_epi32(d, d);
  d = _mm_madd_epi16(d, _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1));
  const std::uint64_t m =
      std::uint64_t{static_cast<std::uint32_t>(_mm_cvtsi128_si32(d))} * 100000000u +
      static_cast<std::uint32_t>(_mm_extract_epi32(d, 1));
  // One rounding, m / 10^f, as scan_short_decimal makes it.
  double magnitude = static_cast<double>(m);
  if (fraction_digits > 0) magnitude /= short_decimal_powers[fraction_digits];
  value = static_cast<float>(sign == 1 && line[first] == '-' ? -magnitude : magnitude);
  return true;
}

// Reads the line at `line` when it holds exactly `count` short plain constants with blanks
// or tabs before, between and after them (a carriage return last), and its newline among
// its first 64 bytes: stores their values and returns the newline. Returns nullptr for
// every other line. Requires whole_line_lookahead readable bytes at `line`, and
// whole_line_available().
[[gnu::target("ssse3,sse4.1,popcnt")]] inline const char* whole_line_values(const char* line,
                                                                            int count,
                                                                            float* values) {
  line_bits b;
  add_line_bits(line, 0, b);
  if (b.newline == 0) add_line_bits(line + 32, 32, b);
  if (b.newline == 0) return nullptr;
  const int length = std::countr_zero(b.newline);
  const std::uint64_t before = (std::uint64_t{1} << length) - 1;
  // A carriage return before the newline ends the last constant as a blank would: the
  // rest of a record's line is ignored.
  std::uint64_t blank = b.blank;
  if (length > 0 && line[length - 1] == '\r') blank |= std::uint64_t{1} << (length - 1);
  const std::uint64_t text = before & ~blank;
  std::uint64_t starts = text & ~(text << 1);
  std::uint64_t lasts = text & ~(text >> 1);
  if (std::popcount(starts) != count) return nullptr;
  const std::uint64_t others = text & ~b.digit;
  for (int i = 0; i < count; ++i, starts &= starts - 1, lasts &= lasts - 1)
    if (!whole_line_constant(line, std::countr_zero(starts), std::countr_zero(lasts), others,
                             values[i]))
      return nullptr;
  return line + length;
}

#endif

}  // namespace recordio::detail
