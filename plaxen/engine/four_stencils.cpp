// The four-lane relaxation step, built for AVX and chosen at run time.
#include "plaxen/engine/four_stencils.h"

#include "plaxen/engine/node_encoding.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace plaxen::engine {
namespace {

// |s| of the node `offset` elements from each of the four, node k in lane k.
[[gnu::target("avx")]] inline __m128 four_magnitudes(const float* const* nodes,
                                                     std::int64_t offset) {
  const __m128 v =
      _mm_setr_ps(nodes[0][offset], nodes[1][offset], nodes[2][offset], nodes[3][offset]);
  return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)));
}

// One axis of the four stencils, neighbours `stride` elements apart, node k in lane k: the
// steps of the relaxation's add_axis for a node with two neighbours on each side, every step
// taken in every lane, with zero added where its neighbours are not usable. W and S are
// single lanes; a step evaluated in double goes through double lanes and is rounded back
// (the usability tests made there again on the exact doubles of the singles).
[[gnu::target("avx")]] inline void add_axis4(__m128& weight, __m128& sum, const float* const* nodes,
                                             std::int64_t stride, float tension) {
  const __m128 lower = four_magnitudes(nodes, -stride);
  const __m128 lower2 = four_magnitudes(nodes, -2 * stride);
  const __m128 upper = four_magnitudes(nodes, stride);
  const __m128 upper2 = four_magnitudes(nodes, 2 * stride);
  const __m128 limit = _mm_set1_ps(big);
  const __m128 l = _mm_cmp_ps(lower, limit, _CMP_LT_OQ);
  const __m128 ll = _mm_and_ps(l, _mm_cmp_ps(lower2, limit, _CMP_LT_OQ));
  const __m128 u = _mm_cmp_ps(upper, limit, _CMP_LT_OQ);
  const __m128 uu = _mm_and_ps(u, _mm_cmp_ps(upper2, limit, _CMP_LT_OQ));
  const __m256d dl = _mm256_cvtps_pd(lower), dl2 = _mm256_cvtps_pd(lower2);
  const __m256d du = _mm256_cvtps_pd(upper), du2 = _mm256_cvtps_pd(upper2);
  const __m256d dlimit = _mm256_set1_pd(double(big));
  const __m256d l_d = _mm256_cmp_pd(dl, dlimit, _CMP_LT_OQ);
  const __m256d u_d = _mm256_cmp_pd(du, dlimit, _CMP_LT_OQ);
  const __m256d ll_d = _mm256_and_pd(l_d, _mm256_cmp_pd(dl2, dlimit, _CMP_LT_OQ));
  const __m256d uu_d = _mm256_and_pd(u_d, _mm256_cmp_pd(du2, dlimit, _CMP_LT_OQ));
  const __m256d lu_d = _mm256_and_pd(l_d, u_d);
  const __m256d t = _mm256_set1_pd(double(tension));
  const __m256d far_lower = _mm256_mul_pd(_mm256_sub_pd(dl2, _mm256_add_pd(dl, dl)), t);
  const __m256d both = _mm256_mul_pd(_mm256_set1_pd(2.0 * double(tension)), _mm256_add_pd(dl, du));
  const __m256d far_upper = _mm256_mul_pd(_mm256_sub_pd(du2, _mm256_add_pd(du, du)), t);
  const __m128 one = _mm_set1_ps(1.0f), tf = _mm_set1_ps(tension);
  weight = _mm_add_ps(weight, _mm_and_ps(l, one));
  sum = _mm_add_ps(sum, _mm_and_ps(l, lower));
  weight = _mm_add_ps(weight, _mm_and_ps(ll, tf));
  sum = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_cvtps_pd(sum), _mm256_and_pd(ll_d, far_lower)));
  weight = _mm_add_ps(weight, _mm_and_ps(u, one));
  sum = _mm_add_ps(sum, _mm_and_ps(u, upper));
  const __m256d four_t = _mm256_set1_pd(double(tension) * 4.0);
  weight = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_and_pd(lu_d, four_t), _mm256_cvtps_pd(weight)));
  sum = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_and_pd(lu_d, both), _mm256_cvtps_pd(sum)));
  weight = _mm_add_ps(weight, _mm_and_ps(uu, tf));
  sum = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_cvtps_pd(sum), _mm256_and_pd(uu_d, far_upper)));
}

}  // namespace

[[gnu::target("avx")]] void move_four(four_nodes& nodes, std::int64_t x_stride,
                                      std::int64_t y_stride, float tension, double omega) {
  const float* const* at = nodes.node;
  __m128 weight = _mm_setzero_ps(), sum = _mm_setzero_ps();
  add_axis4(weight, sum, at, x_stride, tension);
  add_axis4(weight, sum, at, y_stride, tension);
  const __m128 s = _mm_setr_ps(*at[0], *at[1], *at[2], *at[3]);
  const __m256d ds = _mm256_cvtps_pd(s);
  const __m256d quotient = _mm256_div_pd(_mm256_cvtps_pd(sum), _mm256_cvtps_pd(weight));
  const __m128 change = _mm256_cvtpd_ps(_mm256_sub_pd(quotient, ds));
  const __m128 moved = _mm256_cvtpd_ps(
      _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(change), _mm256_set1_pd(omega)), ds));
  _mm_storeu_ps(nodes.change, change);
  _mm_storeu_ps(nodes.updated, moved);
  _mm_storeu_ps(nodes.weight, weight);
}

bool four_stencils_available() {
  static const bool available = __builtin_cpu_supports("avx");
  return available;
}

}  // namespace plaxen::engine

#else

namespace plaxen::engine {

bool four_stencils_available() {
  return false;
}

void move_four(four_nodes&, std::int64_t, std::int64_t, float, double) {}

}  // namespace plaxen::engine

#endif
