// What plaxen shows, for the tests that compare its runs byte for byte: the shared data file,
// its dialogue and report texts, and grid-file text built from node values.
#pragma once

#include <string>
#include <vector>

#include "plaxen/common/capacities.h"

namespace testsupport {

inline constexpr double undefined_node = -999.0;  // as the grid file shows it

// Four readings at the corners of 10 by 5, and the limits lines plaxen prints for them.
inline const std::string four_points = "0 0 1\n10 0 2\n0 5 3\n10 5 4\n";
inline const std::string limits_header = " data limits: xmin,xmax,ymin,ymax=\n";
inline const std::string four_points_limits =
    limits_header + "  0.0000E+00  0.1000E+02  0.0000E+00  0.5000E+01\n";
// The limits of a data file without records: the starting limits, never replaced.
inline const std::string empty_limits =
    limits_header + "  0.1000E+36 -0.1000E+36  0.1000E+36 -0.1000E+36\n";

// plaxen's refusal and warning lines, as its list-directed writes lead them.
inline const std::string too_many_nodes = "  too many matrix elements\n";
inline const std::string too_few_nodes = " the grid needs at least 2 nodes along x and along y\n";
inline const std::string no_records =
    " warning: the data file holds no records; every node is undefined\n";

// The edge of the node capacity: edge_nx by edge_ny nodes are plaxen's max_nodes, the most
// it takes; one row more is refused. "250 200" and "250 201" as the dialogue gives them.
inline constexpr int edge_nx = 250;
inline constexpr int edge_ny = plaxen::max_nodes / edge_nx;
static_assert(edge_nx * edge_ny == plaxen::max_nodes);
inline const std::string largest_size = std::to_string(edge_nx) + " " + std::to_string(edge_ny);
inline const std::string refused_size = std::to_string(edge_nx) + " " + std::to_string(edge_ny + 1);

// The record I/O layer's report: tag and message, unit, format (if current), direction.
std::string io_report(const std::string& tag_and_message, const std::string& unit,
                      const std::string& format, const std::string& direction);

// The E15.7 field of a value as the grid file writes it, for the handful of values the
// end-to-end cases use (exact small numbers and the -999.0 of an undefined node).
std::string e15_7(double value);

// The grid file for rows of node values: one line per row, grid_values_per_line fields to a
// line.
std::string grid_file(const std::vector<std::vector<double>>& rows);

// The grid file of nx by ny undefined nodes.
std::string all_undefined(int nx, int ny);

// The grid file of four_points on 11 x 6 nodes: each corner keeps its value and lends it to
// its side neighbours, which nothing else can pull away; every other node stays undefined.
std::string four_points_grid();

}  // namespace testsupport
