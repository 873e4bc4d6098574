// The text of Ew.d output fields, and of lines of them, exactly as formatted writes produce
// it: for programs that lay out such text themselves, for example on several threads.
#pragma once

#include <span>
#include <string>

namespace recordio {

// Appends the Ew.d field of `value` to `out`, exactly as a formatted write with the edit
// descriptor Ew.d (scale factor 0) writes it: for E15.7, 123.4567 gives "  0.1234567E+03"
// and -999.0 " -0.9990000E+03"; w asterisks when the value does not fit.
// Returns true; false, appending nothing, when width is not 1..100000 or digits not 1..1000
// (the limits of a format's numbers).
// Allocates only as `out` grows; keeps no state, so threads may call it at once on strings
// of their own. Never throws but for allocation failure.
bool append_e_field(std::string& out, float value, int width, int digits);

// Appends `values` as one formatted write statement with the format "(Nen.d,x)" writes
// them, N = per_line, n = width, d = digits: lines of per_line fields, the last line
// holding the rest, each line ended by a newline, no blank at the end of a line (the X
// before each reversion writes nothing); no values give one empty line. With the grid
// file's format "(3000e15.7,x)": per_line 3000, width 15, digits 7.
// Returns true; false, appending nothing, when per_line is not 1..100000000 or width and
// digits are refused as by append_e_field. Allocation and threads as append_e_field.
bool append_e_lines(std::string& out, std::span<const float> values, int per_line, int width,
                    int digits);

}  // namespace recordio
