// Reading of recmat's three arguments.
#include "recmat/command_line.h"

#include <algorithm>
#include <climits>

#include "recmat/c_locale_chars.h"

namespace recmat {

int parse_count(const char* text) {
  while (is_blank(*text)) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  // Accumulate the magnitude as a negative number: INT_MIN has no positive counterpart.
  long long value = 0;
  for (; is_digit(*text); ++text) {
    value = value * 10 - (*text - '0');
    if (value < INT_MIN) return negative ? INT_MIN : INT_MAX;
  }
  if (negative) return static_cast<int>(value);
  return value < -INT_MAX ? INT_MAX : static_cast<int>(-value);
}

std::optional<command_line> parse_command_line(int argc, const char* const* argv) {
  if (argc != 4) return std::nullopt;
  command_line line;
  line.filename = argv[1];
  line.ndatapts = std::clamp(parse_count(argv[2]), 0, max_ndatapts);
  line.stepsize = parse_count(argv[3]);
  return line;
}

}  // namespace recmat
