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

// Writes `text` as the whole file `path` (a .prj beside an ESRI ASCII grid). Returns an
// empty string, or the system error text.
std::string write_text_file(const std::string& path, const std::string& text);

// Writes `grid` as plaxen writes its grid file: ny rows, the row of y = ymin first, each of
// nx E15.7 fields, grid_values_per_line to a line; undefined nodes as they are held (-999.0 once
// marked). Byte for byte plaxen's file for the same values. Rows are laid out on up to `threads`
// threads, a batch at a time; the file is written in order. Returns an empty string, or the
// system error text.
std::string write_plaxen_grid(const std::string& path, const ExportGrid& grid, int threads);

}  // namespace plaxen::exporting
