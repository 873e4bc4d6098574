// Expected grid-file text built from node values, for comparing whole grid files.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The E15.7 field of a value as the grid file writes it, for the handful of values the
// end-to-end cases use (exact small numbers and the -999.0 of an undefined node).
std::string e15_7(double value);

// The grid file for rows of node values: one line per row, 3000 fields to a line.
std::string grid_file(const std::vector<std::vector<double>>& rows);

}  // namespace testsupport
