// Whether a job can be gridded: the refusals plaxen, plaxen-info, plaxen-export and
// plaxen-grid share, judged in one place and worded once.
#pragma once

#include <cstdint>
#include <string_view>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"

namespace plaxen {

// plaxen's refusals of a grid size and of the data values (without the leading blanks its
// list-directed writes put before them).
inline constexpr std::string_view too_few_nodes_refusal =
    "the grid needs at least 2 nodes along x and along y";
inline constexpr std::string_view too_many_nodes_refusal = "too many matrix elements";
inline constexpr std::string_view value_span_refusal =
    "the data values span 1.0e32 or more, too much to grid";

// plaxen's warning for a data file without records: it grids all the same.
inline constexpr std::string_view no_records_warning =
    "warning: the data file holds no records; every node is undefined";

// Why no grid can be laid on the data: the limits and spacing must describe a real area.
inline constexpr std::string_view no_records_refusal = "no records";
inline constexpr std::string_view limits_not_finite_refusal = "the data limits are not finite";
inline constexpr std::string_view no_x_extent_refusal = "the data have no extent along x";
inline constexpr std::string_view no_y_extent_refusal = "the data have no extent along y";
inline constexpr std::string_view spacing_unusable_refusal = "the grid spacing is 0 or not finite";

// The checks of a job in plaxen's order: fewer than 2 nodes along x or y, more nodes than
// `capacity` (nx*ny, formed without overflow), then the span of the data values (zmax -
// zmin as the interpolation forms it) against max_value_span. Returns the first refusal
// that applies, or an empty view.
std::string_view judge_job(const GridSize& size, std::int64_t capacity, float value_span);

// Why a grid of the data cannot be placed, or an empty view: no records, limits that are
// not finite, no extent along x or along y (plaxen would divide by a zero spacing). With
// `geometry` (once the spacing is derived) also a spacing that is not a finite number above
// 0 (a tiny extent over many nodes rounds it to 0).
std::string_view degenerate_extent(std::int64_t records, const DataLimits& limits);
std::string_view degenerate_geometry(std::int64_t records, const DataLimits& limits,
                                     const GridGeometry& geometry);

}  // namespace plaxen
