// What the interpolation will make of the readings on a given grid, counted beforehand.
#pragma once

#include <cstdint>
#include <span>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"

namespace plaxen::info {

struct GridCensus {
  std::int64_t data_nodes = 0;     // nodes that take readings: their mean is written
  std::int64_t defined_nodes = 0;  // data nodes and the nodes the fill reaches from them
  std::int64_t dropped = 0;        // readings a node ignores: beyond its points_per_node
  std::int64_t out_of_range = 0;   // readings outside the grid, each one line of plaxen's
  // Defined nodes whose value is exactly -999.0: the grid file shows them as it shows the
  // undefined nodes, so a reader cannot tell them apart.
  std::int64_t defined_at_missing_value = 0;
};

// Runs zgrid whole (data range, clearing, assignment, averaging, one fill pass, closing,
// relaxation with tension 3, decoding) for the points xp, yp, zp (zero-based, n each) on the
// size-by-geometry grid, as plaxen runs it with its blanking stage off, and counts what it
// did and made. Nothing is written anywhere. Needs 2 <= nx, ny and nx*ny <= max_nodes; uses a
// static grid.
GridCensus take_census(const GridSize& size, const GridGeometry& geometry,
                       std::span<const float> xp, std::span<const float> yp,
                       std::span<const float> zp);

}  // namespace plaxen::info
