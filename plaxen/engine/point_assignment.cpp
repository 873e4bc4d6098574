// Stage 3 of zgrid: each scattered point is accumulated into its nearest grid node.
#include "plaxen/engine/point_assignment.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "plaxen/engine/out_of_range_report.h"

namespace plaxen::engine {
namespace {

// Where the points fall: the node of point k, both axes evaluated as nearest_index does.
class node_locator {
 public:
  node_locator(const node_grid& grid, const grid_placement& at)
      : xmin_(at.xmin),
        ymin_(at.ymin),
        dx_(at.dx),
        dy_(at.dy),
        x_limit_(double(grid.nx) + 1.0),
        y_limit_(double(grid.ny) + 1.0) {}

  // Sets (i, j) to the node of the point (x, y) and returns true, or returns false when the
  // point lies outside the grid. Both axes are evaluated even when x alone is outside:
  // floating-point exceptions never trap, so that changes nothing.
  bool locate(float x, float y, std::int32_t& i, std::int32_t& j) const {
#if defined(__SSE2__)
    // Both positions in one packed division; each lane is the IEEE result of the scalar
    // expression (p - origin)/step + 1.5.
    const __m128d p = _mm_add_pd(
        _mm_div_pd(_mm_sub_pd(_mm_set_pd(double(y), double(x)), _mm_set_pd(ymin_, xmin_)),
                   _mm_set_pd(dy_, dx_)),
        _mm_set1_pd(1.5));
    const __m128d in = _mm_and_pd(_mm_cmpge_pd(p, _mm_set1_pd(1.0)),
                                  _mm_cmplt_pd(p, _mm_set_pd(y_limit_, x_limit_)));
    if (_mm_movemask_pd(in) != 3) return false;
    const __m128i ij = _mm_cvttpd_epi32(p);
    i = _mm_cvtsi128_si32(ij);
    j = _mm_cvtsi128_si32(_mm_srli_si128(ij, 4));
    return true;
#else
    const double px = (double(x) - xmin_) / dx_ + 1.5;
    const double py = (double(y) - ymin_) / dy_ + 1.5;
    if (!(px >= 1.0 && px < x_limit_ && py >= 1.0 && py < y_limit_)) return false;
    i = static_cast<std::int32_t>(px);
    j = static_cast<std::int32_t>(py);
    return true;
#endif
  }

 private:
  double xmin_, ymin_, dx_, dy_;
  double x_limit_, y_limit_;
};

// ((s + z) + zoff) + zstep when s is below zcap, else s: a select rather than a branch,
// since whether a node is full follows no pattern.
float accumulate(float s, float z, double zoff, double zstep, double zcap) {
  const float sum = static_cast<float>(((double(s) + double(z)) + zoff) + zstep);
#if defined(__SSE2__)
  const __m128 below = _mm_castpd_ps(_mm_cmplt_sd(_mm_set_sd(double(s) - zcap), _mm_setzero_pd()));
  // The comparison's low 32 bits are all ones or all zeros, like the whole lane.
  return _mm_cvtss_f32(
      _mm_or_ps(_mm_and_ps(below, _mm_set_ss(sum)), _mm_andnot_ps(below, _mm_set_ss(s))));
#else
  return double(s) - zcap < 0.0 ? sum : s;
#endif
}

}  // namespace

void assign_points(const node_grid& grid, const encoding_scalars& enc, const grid_placement& at,
                   std::span<const float> xp, std::span<const float> yp,
                   std::span<const float> zp) {
  const std::size_t n = zp.size();
  const node_locator locator(grid, at);
  // Held in locals: the grid's own stores could otherwise alias them.
  const double zoff = enc.zoff, zstep = enc.zstep, zcap = enc.zcap;
  for (std::size_t k = 0; k < n; ++k) {
    std::int32_t i = 0;
    std::int32_t j = 0;
    if (!locator.locate(xp[k], yp[k], i, j)) [[unlikely]] {
      report_out_of_range(static_cast<std::int32_t>(k + 1), xp[k], yp[k], zp[k]);
      continue;
    }
    // The cap test on the unrounded difference: a node below zcap holds fewer than 20 points.
    float& s = grid.at(i, j);
    s = accumulate(s, zp[k], zoff, zstep, zcap);
  }
}

}  // namespace plaxen::engine
