// zgrid: the interpolation engine that turns scattered points into grid node values.
#pragma once

#include <cstdint>
#include <span>

#include "plaxen/engine/gridding.h"

namespace plaxen {

// Grids the n points (xp(k), yp(k), zp(k)) onto the nx-by-ny nodes of z.
//
// z holds the nodes in plaxen's layout with leading dimension nxsize, placed from xmin, ymin
// by dx, dy (see node_grid.h).
// nysize is accepted and not used. tension weighs the second differences of the
// relaxation (the driver passes 3.0); nfill is the most range-fill passes (the driver
// passes 1). A negative n counts as 0.
//
// On entry a node holding 0.9e35 or more is excluded and keeps its value to the end; every
// other node value is ignored. On return every node that received points holds their mean
// (of the first points_per_node in input order), every node reached by a fill pass its relaxed
// value, both in data units, and every other node 1.0e35 (or its entry value when excluded). The
// data values must span less than about 1.7e32 for the node encoding to hold.
//
// Each point outside the grid goes to `sink`, in input order, with its 1-based index k, and
// is skipped; plaxen's sink writes the line "point out of range k,x,y,z = ..." on unit 6. An
// empty sink only counts them. `threads` share the work (1: the calling thread alone); the
// result is the same for every number. Returns what the stages found and did.
//
// Throws std::invalid_argument, before touching anything, when the arrays do not hold what
// the counts say: nxsize < nx, z shorter than (ny-1)*nxsize + nx, or n beyond xp, yp or zp.
// Allocates, for the range fill, one flag per grid row and, for the relaxation, one bit per
// node; nothing per point.
engine::gridding_stats zgrid(std::span<float> z, std::int32_t nxsize, std::int32_t nysize,
                             std::int32_t nx, std::int32_t ny, float xmin, float ymin, float dx,
                             float dy, std::span<const float> xp, std::span<const float> yp,
                             std::span<const float> zp, std::int32_t n, float tension,
                             std::int32_t nfill, const engine::out_of_range_sink& sink = {},
                             std::int32_t threads = 1);

}  // namespace plaxen
