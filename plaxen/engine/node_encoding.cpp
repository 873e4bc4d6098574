// The node value encoding of zgrid: data range, clearing, averaging, closing and decoding.
#include "plaxen/engine/node_encoding.h"

namespace plaxen::engine {

namespace {

// Stored value of a formula evaluated in double precision: one rounding to single.
inline float stored(double value) {
  return static_cast<float>(value);
}

// How many points a node with accumulated value s holds: trunc(s/zstep), at most
// points_per_node. 0 for an unassigned node (s = 0, including zstep = 0) and for any
// quotient that is not a number; no quotient reaches an integer conversion unchecked.
inline std::int32_t accumulated_count(float s, float zstep) {
  if (zstep == 0.0f) return 0;
  const double quotient = double(s) / double(zstep);
  if (!(quotient >= 1.0)) return 0;  // also catches a quotient that is not a number
  // Each point adds between 1.01 and 1.05 zstep, so 20 points read 20 or, at the top of the
  // data range, 21: more than a node can hold.
  if (quotient >= double(points_per_node)) return points_per_node;
  return static_cast<std::int32_t>(quotient);
}

}  // namespace

encoding_scalars data_range(std::span<const float> zp) {
  encoding_scalars enc;
  if (zp.empty()) return enc;
  enc.zmin = enc.zmax = zp[0];
  for (const float value : zp.subspan(1)) {
    if (value <= enc.zmin) enc.zmin = value;
    if (value >= enc.zmax) enc.zmax = value;
  }
  enc.zspan = stored(double(enc.zmax) - double(enc.zmin));
  enc.zoff = stored(-double(enc.zmin) + double(enc.zspan) * 0.25);
  enc.ztop = stored(double(enc.zoff) + double(enc.zmax));
  enc.zstep = stored(double(enc.ztop) * 20.0);
  enc.zcap = stored(double(enc.ztop) * 400.0);
  return enc;
}

void clear_nodes(const node_grid& grid) {
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j) {
      float& s = grid.at(i, j);
      if (s < big) s = 0.0f;
    }
}

std::int64_t average_nodes(const node_grid& grid, const encoding_scalars& enc) {
  std::int64_t nempty = 0;
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j) {
      float& s = grid.at(i, j);
      if (!(s < big)) continue;
      const std::int32_t m = accumulated_count(s, enc.zstep);
      if (m >= 1) {
        // (zstep - s/m) - 10*zspan = -(mean + zoff + 10*zspan): a data node, stored negative.
        s = stored((double(enc.zstep) - double(s) / double(m)) - 10.0 * double(enc.zspan));
      } else {
        s = empty_marker;
        ++nempty;
      }
    }
  return nempty;
}

void close_nodes(const node_grid& grid) {
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j) {
      float& s = grid.at(i, j);
      if (std::fabs(s) >= big) s = std::fabs(s);
    }
}

void decode_nodes(const node_grid& grid, const encoding_scalars& enc) {
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j) {
      float& s = grid.at(i, j);
      if (s < big) s = stored((double(std::fabs(s)) - double(enc.zoff)) - 10.0 * double(enc.zspan));
    }
}

}  // namespace plaxen::engine
