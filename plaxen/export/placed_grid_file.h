// A grid file of plaxen placed where plaxen put its nodes: the data file reloaded by plaxen's
// own loader, and plaxen's geometry laid over its limits.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"

namespace plaxen::exporting {

// Reads the grid file `grid_path` of `size` nodes (nx, ny >= 2) into `z`, node (i, j) at
// (i-1) + (j-1)*nx as the file holds them (nx*ny elements), and lays plaxen's geometry over
// the data file `data_path` loaded as plaxen loads it, its records counted in `records`.
// Returns an empty string, or the line that names the problem: "points.dat: No such file or
// directory", "points.dat: the data have no extent along x; no grid can be placed on it",
// "points.grd: line 3 holds 60 values where a grid of 61 x 41 nodes has 61".
// Not reentrant: plaxen's loader holds the records in static storage, one loading at a time.
std::string read_placed_grid(const std::string& grid_path, const std::string& data_path,
                             const GridSize& size, std::span<float> z, GridGeometry& geometry,
                             std::int64_t& records);

}  // namespace plaxen::exporting
