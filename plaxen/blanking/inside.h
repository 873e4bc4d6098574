// Point-in-polygon test by crossing parity along the vertical line through the point.
#pragma once

#include <cstdint>
#include <span>

namespace plaxen {

// The inflag value that makes inside rebuild its crossing list whatever the point's x.
inline constexpr std::int32_t rebuild_crossings = 999;

// Decides whether the point (xt, yt) lies inside the closed polygon of the nv vertices
// (xv[k], yv[k]), k = 0..nv-1, closed from the last vertex back to the first.
//
// inflag: on entry rebuild_crossings (999) for the first call on a polygon, afterwards the
// value the previous call returned; on return 1 when an odd number of polygon edges cross the
// vertical line x = xt strictly below yt, else 0. nv <= 0 answers 1 (a polygon without
// vertices contains every point) and leaves the kept state alone.
//
// Retained state, for the whole run: the x of the last rebuild and the y of every edge
// crossing at that x. A call whose xt equals that x and whose inflag is not 999 answers from
// the kept crossings without looking at the polygon, so the polygon must not change between
// calls unless the caller passes 999 again. The crossing list holds as many crossings as the
// polygon has edges; its storage is reserved once (for max_vertices edges, more only for a
// larger polygon), never per call. Only vertices present in both spans take part: an nv
// beyond xv.size() or yv.size() is cut to the shorter span. Never throws except
// std::bad_alloc when the list must first grow.
void inside(float xt, float yt, std::span<const float> xv, std::span<const float> yv,
            std::int32_t nv, std::int32_t& inflag);

}  // namespace plaxen
