// Reading a grid file back: ny rows of nx values, the row of y = ymin first.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace plaxen {

// Reads the grid file `path` written for nx by ny nodes into z, in plaxen's layout (see
// node_grid.h). Each row is one line, or, with more than
// grid_values_per_line values, lines of that many and a last line of the rest. Values are the grid
// file's E15.7 fields; any numbers separated by blanks, tabs or carriage returns read too ("nan"
// and "inf" included), each rounded once to single precision. Lines after the last row may be
// blank.
//
// Needs nx, ny >= 1 and z of at least nx*ny elements. Returns an empty string when the
// file holds exactly that grid; otherwise one line naming the problem, without the file
// name: the system error text, "line 3 holds 60 values where a grid of 61 x 41 nodes has
// 61", "line 7, value 12: \"0.1x\" is not a number", "ends after line 40 where a grid of
// 61 x 41 nodes has 41 lines", "line 42 holds values after the 41 lines of a grid of 61 x
// 41 nodes". Reads the file in pieces of fixed size; allocates nothing per line.
std::string read_grid_file(const std::string& path, std::int32_t nx, std::int32_t ny,
                           std::span<float> z);

}  // namespace plaxen
