// The floor of data loading, the loop every loading figure is held against: for each record
// three numbers, each after skipping blanks, tabs and newlines, parsed by
// fast_float::from_chars into a double (the correctly rounded value atof gives) and rounded
// once to float, as a store into a single real does; then the rest of the line skipped with
// memchr. None of the list-directed rules (commas, nulls, slashes, repeat counts, d
// exponents, 40-digit limits, END handling) is applied.
#pragma once

#include <fast_float/fast_float.h>

#include <cstring>
#include <system_error>

namespace bench {

// Hands take(x, y, z) every record of [p, end) until the text ends; false when it meets text
// that is not a number.
template <class Take>
bool for_each_floor_record(const char* p, const char* const end, Take&& take) {
  for (;;) {
    float v[3];
    int taken = 0;
    for (; taken < 3; ++taken) {
      while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
      if (p == end) break;
      double number = 0.0;
      const auto r = fast_float::from_chars(p, end, number);
      if (r.ec != std::errc()) return false;
      v[taken] = static_cast<float>(number);
      p = r.ptr;
    }
    if (taken < 3) return true;  // the end of the text, between records or inside one
    take(v[0], v[1], v[2]);
    const void* newline = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    p = newline == nullptr ? end : static_cast<const char*>(newline) + 1;
  }
}

}  // namespace bench
