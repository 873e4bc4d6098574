// Scanning of one list-directed input value: an optional repeat count r* and a constant
// (sign, digits, point, exponent in any of the forms 1.5e3, 1.5E+3, 1.5d3, 1.5+3).
#pragma once

#include <fast_float/fast_float.h>

#include <cstdint>

#include "recordio/error_kind.h"
#include "recordio/plain_number.h"

namespace recordio::detail {

enum class scan_outcome : std::uint8_t {
  value,   // a constant: number (and the flags) are set
  null,    // no digits, stopped by a comma or slash (or a blank after a repeat count)
  repeat,  // a repeat count and its asterisk: repeat is set; the constant follows
  error,   // error names the failure
};

struct scan_result {
  scan_outcome outcome = scan_outcome::null;
  error_kind error = error_kind::none;  // invalid_number, exponent_field,
                                        // bad_repetition_count or invalid_integer
  double number = 0;                    // the constant, correctly rounded to double
  bool not_integer = false;             // the constant had a decimal point or exponent letter
  std::uint64_t repeat = 0;             // the count (saturated; at most 40 digits)
};

// Longest repeat count, in digits, and most significant digits that take part in a value.
inline constexpr int max_repeat_digits = 40;
inline constexpr int max_significant_digits = 40;
// Largest exponent that may be written after the exponent letter or sign.
inline constexpr std::int64_t max_written_exponent = 99'999'999;

// The significant digits of a constant (leading zeros dropped, at most 40 kept) and the
// power of ten that scales them: value = 0d1..dk integer * 10^scale.
class significant_digits {
 public:
  void add_integer_digit(char c) {
    if (count_ == 0 && c == '0') return;
    if (count_ < max_significant_digits) {
      digit_[count_++] = c;
    } else {
      ++scale_;  // a further integer digit only raises the exponent
      dropped_ = true;
    }
  }
  void add_fraction_digit(char c) {
    if (count_ == 0 && c == '0') {
      --scale_;
    } else if (count_ < max_significant_digits) {
      digit_[count_++] = c;
      --scale_;
    } else {
      dropped_ = true;  // a further fraction digit is dropped
    }
  }
  bool dropped() const { return dropped_; }

  // The value times 10^exponent, converted to double as the C library's atof converts
  // the digit string "d1..dk" "e" scale+exponent (correctly rounded).
  double convert(bool negative, std::int64_t exponent) const;

 private:
  char digit_[max_significant_digits];
  int count_ = 0;
  std::int64_t scale_ = 0;
  bool dropped_ = false;
};

// A source over bytes that are all in memory: the end of the range stands for the end of
// the file, and hit_end tells whether the scan looked there.
struct span_source {
  const char* p;
  const char* end;
  bool hit_end = false;
  static constexpr bool contiguous = true;
  int peek() {
    if (p < end) return static_cast<unsigned char>(*p);
    hit_end = true;
    return -1;
  }
  void advance() { ++p; }
};

inline bool is_decimal_digit(int c) {
  return c >= '0' && c <= '9';
}

// The fast path for a real constant in plain form lying wholly in [p, end): an optional
// sign, digits with an optional point, an optional e/E exponent, at most 40 characters,
// followed by a character that cannot continue a value. Such a constant reads as
// fast_float reads it; every other form (repeat counts, d/D or sign-only exponents, more
// digits, zero and infinite results, whose exponent may be out of range, and constants that
// reach `end`) returns false and is left to scan_value. On success `value` is the constant
// and `after` the first character after it.
inline bool scan_plain_real(const char* p, const char* end, double& value, const char*& after) {
  constexpr std::ptrdiff_t longest_plain = 40;
  const char* first = (p < end && (*p == '+' || *p == '-')) ? p + 1 : p;
  if (first >= end || !(is_decimal_digit(*first) || *first == '.')) return false;
  if (*p == '+') ++p;  // fast_float takes no '+'
  auto result = fast_float::from_chars(p, end, value);
  if (result.ec != std::errc() || result.ptr == end || result.ptr - p > longest_plain) return false;
  if (*result.ptr == '.' || starts_exponent_or_count(*result.ptr)) return false;
  if (value == 0 || value - value != 0) return false;  // zero or infinite
  after = result.ptr;
  return true;
}

// Scans one value from `in`, leaving it at the first character that cannot continue the
// value. `integer`: the item is an integer (a decimal point or an exponent letter is the
// error "invalid integer"). `after_count`: the constant of a repeat count is scanned (no
// further count; a stop at a blank, tab, newline or end of file makes the values null).
// A Source has peek() (next byte, or -1 at the end), advance() and `contiguous`; a
// contiguous source also has p, the position, and hands plain constants straight to
// fast_float.
template <class Source>
scan_result scan_value(Source& in, bool integer, bool after_count) {
  scan_result r;
  const char* start = nullptr;
  if constexpr (Source::contiguous) start = in.p;
  // Step 1: sign and integer digits (the digits may turn out to be a repeat count).
  int c = in.peek();
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    if constexpr (Source::contiguous) start += negative ? 0 : 1;  // fast_float takes no '+'
    in.advance();
    c = in.peek();
  }
  significant_digits digits;
  int written = 0;
  std::uint64_t count = 0;
  bool any_digit = false;
  for (; is_decimal_digit(c); c = in.peek()) {
    any_digit = true;
    if (written <= max_repeat_digits) ++written;
    count = count > UINT64_MAX / 16 ? UINT64_MAX : count * 10 + static_cast<unsigned>(c - '0');
    digits.add_integer_digit(static_cast<char>(c));
    in.advance();
  }
  // Step 2: a repeat count, r*.
  if (c == '*' && (!after_count || !any_digit)) {
    if (!any_digit || negative || written > max_repeat_digits || count == 0) {
      r.outcome = scan_outcome::error;
      r.error = error_kind::bad_repetition_count;
      return r;
    }
    in.advance();
    r.outcome = scan_outcome::repeat;
    r.repeat = count;
    return r;
  }
  // Step 3: decimal point and fraction digits.
  if (c == '.') {
    if (integer) {
      r.outcome = scan_outcome::error;
      r.error = error_kind::invalid_integer;
      return r;
    }
    r.not_integer = true;
    in.advance();
    for (c = in.peek(); is_decimal_digit(c); c = in.peek()) {
      any_digit = true;
      digits.add_fraction_digit(static_cast<char>(c));
      in.advance();
    }
  }
  // Step 4: a mantissa without digits is a null value or an error.
  if (!any_digit) {
    bool stops_null =
        c == ',' || c == '/' || (after_count && (c == ' ' || c == '\t' || c == '\n' || c < 0));
    r.outcome = stops_null ? scan_outcome::null : scan_outcome::error;
    r.error = error_kind::invalid_number;
    return r;
  }
  // Step 5: the exponent, after a letter or a sign alone.
  std::int64_t exponent = 0;
  bool plain = true;  // a form fast_float reads as it stands
  if (c == 'e' || c == 'E' || c == 'd' || c == 'D' || c == '+' || c == '-') {
    bool letter = c != '+' && c != '-';
    if (letter && integer) {
      r.outcome = scan_outcome::error;
      r.error = error_kind::invalid_integer;
      return r;
    }
    r.not_integer = r.not_integer || letter;
    plain = c == 'e' || c == 'E';
    bool exponent_negative = c == '-';
    in.advance();
    c = in.peek();
    if (letter && (c == '+' || c == '-')) {
      exponent_negative = c == '-';
      in.advance();
      c = in.peek();
    }
    if (!is_decimal_digit(c)) {
      r.outcome = scan_outcome::error;
      r.error = error_kind::exponent_field;
      return r;
    }
    for (; is_decimal_digit(c); c = in.peek()) {
      exponent = exponent * 10 + (c - '0');
      if (exponent > max_written_exponent) {
        r.outcome = scan_outcome::error;
        r.error = error_kind::exponent_field;
        return r;
      }
      in.advance();
    }
    if (exponent_negative) exponent = -exponent;
  }
  // Step 6: conversion, straight from the text when it is in a plain form.
  r.outcome = scan_outcome::value;
  if constexpr (Source::contiguous) {
    if (plain && !digits.dropped()) {
      fast_float::from_chars(start, in.p, r.number);
      return r;
    }
  }
  r.number = digits.convert(negative, exponent);
  return r;
}

}  // namespace recordio::detail
