// The command line of recmat: `recmat filename ndatapts stepsize`.
#pragma once

#include <optional>
#include <string>

namespace recmat {

// Largest number of rows a run extracts; a larger ndatapts is cut to this.
inline constexpr int max_ndatapts = 50000;

struct command_line {
  std::string filename;  // path of the log, used unchanged
  int ndatapts = 0;      // rows of the result, 0 to max_ndatapts
  int stepsize = 0;      // one record taken in every stepsize; 1 or less takes every record
};

// Converts `text` the way atoi reads a count: leading white space, an optional sign,
// decimal digits; conversion stops at the first other character, and a text without
// digits gives 0. A value beyond the range of int saturates at INT_MIN or INT_MAX.
// Never fails, never allocates.
int parse_count(const char* text);

// Reads the arguments after the program name. Returns nothing unless there are exactly
// three. ndatapts is cut to max_ndatapts and raised to 0 when negative.
std::optional<command_line> parse_command_line(int argc, const char* const* argv);

}  // namespace recmat
