// Stage 3 of zgrid: each scattered point is accumulated into its nearest grid node.
#pragma once

#include <cstdint>
#include <span>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/node_grid.h"

namespace plaxen::engine {

// Where the grid lies: node (i, j) at x = xmin + (i-1)*dx, y = ymin + (j-1)*dy.
struct grid_placement {
  float xmin = 0.0f;
  float ymin = 0.0f;
  float dx = 0.0f;
  float dy = 0.0f;
};

// The 1-based index of the node nearest to coordinate p along an axis of `count` nodes
// starting at `origin` with spacing `step`: trunc((p - origin)/step + 1.5), evaluated in
// double precision without intermediate rounding, so a point half-way between two nodes
// goes to the higher index. Returns 0 (out of range) when the index is not in 1..count,
// including every sum that is not a finite number.
inline std::int32_t nearest_index(float p, float origin, float step, std::int32_t count) {
  const double position = (double(p) - double(origin)) / double(step) + 1.5;
  // Testing the range before converting keeps the conversion defined for any sum.
  if (!(position >= 1.0 && position < double(count) + 1.0)) return 0;
  return static_cast<std::int32_t>(position);
}

// What became of one point in stage 3.
enum class point_fate {
  accumulated,   // added to its node
  ignored,       // its node is full (20 points) or excluded: dropped without a message
  out_of_range,  // outside the grid: reported and skipped
};

// Stage 3 for one point (x, y, z): its nearest node (y is not examined when x already
// fails), and, when that node is below zcap, s becomes ((s + z) + zoff) + zstep, each
// step evaluated in double and rounded once. Reports nothing.
inline point_fate assign_point(const node_grid& grid, const encoding_scalars& enc,
                               const grid_placement& at, float x, float y, float z) {
  const std::int32_t i = nearest_index(x, at.xmin, at.dx, grid.nx);
  const std::int32_t j = i == 0 ? 0 : nearest_index(y, at.ymin, at.dy, grid.ny);
  if (j == 0) return point_fate::out_of_range;
  float& s = grid.at(i, j);
  // The cap test on the unrounded difference: a node below zcap holds fewer than 20 points.
  if (!(double(s) - double(enc.zcap) < 0.0)) return point_fate::ignored;
  s = static_cast<float>(((double(s) + double(z)) + double(enc.zoff)) + double(enc.zstep));
  return point_fate::accumulated;
}

// Stage 3, for k = 1..n in input order (n = the common length of xp, yp and zp): a point
// outside the grid is reported with one line on unit 6 (its y is not examined when x
// already failed) and skipped; otherwise its node, when below zcap, becomes
// ((s + zp) + zoff) + zstep. A full or excluded node ignores the point silently.
void assign_points(const node_grid& grid, const encoding_scalars& enc, const grid_placement& at,
                   std::span<const float> xp, std::span<const float> yp, std::span<const float> zp);

}  // namespace plaxen::engine
