// The fixed capacities of plaxen: static storage is sized by these and never grows.
#pragma once

#include <cstdint>

namespace plaxen {

inline constexpr std::int32_t max_records = 1'000'000;  // data records read from the data file
inline constexpr std::int32_t max_nodes = 50'000;       // grid nodes, nx*ny
inline constexpr int value_columns = 14;                // columns of zarray; one is filled
inline constexpr int file_name_length = 80;             // data and grid file names
inline constexpr int blanking_name_length = 40;         // blanking file name
inline constexpr int max_polygons = 50;                 // polygon blocks read from a .bln file
inline constexpr int max_vertices = 2000;               // vertices of one polygon
// Values on one line of the grid file: a longer row continues on further lines, as its
// write format "(3000e15.7,x)" reverts to a new line after them.
inline constexpr int grid_values_per_line = 3000;

// 1.0e35 as a single real: the start of the data limits, the value of an excluded or
// undefined node, and the threshold at or above which the grid file shows -999.0.
inline constexpr float undefined_value = 1.0e35f;

// What the grid file holds for a node without a value (an undefined node).
inline constexpr float missing_value = -999.0f;

}  // namespace plaxen
