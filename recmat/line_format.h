// Applying a record line's scanf format to the text of a line, with sscanf's exact results.
#pragma once

#include <array>

namespace recmat {

// Most values one record line supplies (line 1: six).
inline constexpr int max_line_values = 6;

using line_values = std::array<float, max_line_values>;

// Converts `text` (NUL-terminated) with the scanf format `format` and returns how many
// values it stored in `values`, in order: those converted before the first mismatch or
// the end of the text, exactly as sscanf stores them in the "C" locale. The format may
// hold %f (a float, stored), %*f and %*d (converted and dropped), blanks (any run of white
// space, also an empty one) and other characters, which must match exactly; at most
// max_line_values stored conversions. Never fails, never allocates.
int scan_line(const char* format, const char* text, line_values& values);

namespace detail {

// The shortcut behind scan_line: handles the text only when every number it meets is
// plain ([sign] digits [. digits], ended by a blank, a colon or the end of the text) and
// returns true with `count` values stored; otherwise returns false and sscanf must decide.
bool scan_plain(const char* format, const char* text, line_values& values, int& count);

}  // namespace detail
}  // namespace recmat
