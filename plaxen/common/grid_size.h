// The grid size read from the operator, and the checks that admit it.
#pragma once

#include <cstdint>
#include <string_view>

namespace plaxen {

struct GridSize {
  std::int32_t nx = 0;  // nodes along x
  std::int32_t ny = 0;  // nodes along y
};

// Reads nx and ny from standard input with one list-directed read and echoes them on
// standard output with one list-directed write. End of input or a bad integer ends the run
// with the record I/O layer's error report. A null value leaves 0.
GridSize read_grid_size();

// Whether the grid has fewer than 2 nodes along x or y: its spacing would divide by zero.
bool too_few_nodes(const GridSize& size);

}  // namespace plaxen
