// The text formats plaxen-export writes itself, with every coordinate exact: ESRI ASCII
// grids and x y z lists.
#pragma once

#include <string>

#include "plaxen/export/export_grid.h"

namespace plaxen::exporting {

// Why an ESRI ASCII grid cannot hold `grid`, or an empty string: the format has one cell
// size, so dx and dy must be the same single real.
std::string esri_refusal(const ExportGrid& grid);

// Writes `grid` as an ESRI ASCII grid: the header with xllcenter and yllcenter (the node
// (1, 1), exactly xmin and ymin) and cellsize (dx), NODATA_value -999, then the rows north
// first. Needs square cells. Returns an empty string, or the system error text.
std::string write_esri_ascii(const std::string& path, const ExportGrid& grid);

// Writes "x y z" for every defined node, rows north first and west to east within a row:
// x and y the node's position in double, z its value, each as the shortest text that reads
// back exactly. Returns an empty string, or the system error text.
std::string write_xyz(const std::string& path, const ExportGrid& grid);

}  // namespace plaxen::exporting
