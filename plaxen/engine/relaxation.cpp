// Stage 7 of zgrid: successive over-relaxation of the free nodes with a tensioned stencil.
#include "plaxen/engine/relaxation.h"

#include <cmath>
#include <cstddef>

namespace plaxen::engine {

namespace {

// Stored value of a formula evaluated in double precision: one rounding to single.
inline float stored(double value) {
  return static_cast<float>(value);
}

// Weight W and sum S of a node's stencil, each rounded to single after every step.
struct stencil {
  float weight = 0.0f;
  float sum = 0.0f;
};

// Adds one axis of the stencil of the node at `node`, position k of `count` along the axis,
// whose neighbours lie `stride` elements apart. Each usable direct neighbour has weight 1; a
// usable second neighbour beyond a usable direct one adds weight t and the extrapolated value
// of that side; both direct neighbours usable add weight 4t and 2t times their sum.
inline void add_axis(stencil& acc, const float* node, std::ptrdiff_t stride, std::int32_t k,
                     std::int32_t count, double t) {
  bool lower_present = false;
  double lower = 0.0;
  if (k > 1 && is_usable(node[-stride])) {
    lower = std::fabs(node[-stride]);
    acc.weight = stored(1.0 + double(acc.weight));
    acc.sum = stored(double(acc.sum) + lower);
    lower_present = true;
    if (k > 2 && is_usable(node[-2 * stride])) {
      acc.weight = stored(double(acc.weight) + t);
      acc.sum = stored(double(acc.sum) - (double(std::fabs(node[-2 * stride])) - 2.0 * lower) * t);
    }
  }
  if (k < count && is_usable(node[stride])) {
    const double upper = std::fabs(node[stride]);
    acc.weight = stored(1.0 + double(acc.weight));
    acc.sum = stored(double(acc.sum) + upper);
    if (lower_present) {
      acc.weight = stored(t * 4.0 + double(acc.weight));
      acc.sum = stored(2.0 * t * (lower + upper) + double(acc.sum));
    }
    if (k + 1 < count && is_usable(node[2 * stride])) {
      acc.weight = stored(double(acc.weight) + t);
      acc.sum = stored(double(acc.sum) - (double(std::fabs(node[2 * stride])) - 2.0 * upper) * t);
    }
  }
}

}  // namespace

// The factor update at a multiple of sweeps_per_update. Young's relation for successive
// over-relaxation, (rate + omega - 1)^2 = rate * omega^2 * mu^2, gives h = mu^2, the squared
// Jacobi spectral radius for the observed rate; w = 2/(1 + sqrt(1 - h)) is the optimal factor
// for it, and the new omega lies a quarter of (2 - w) below w. Returns false, leaving omega
// alone, when the rate guard applies (the factor is past the optimum and the changes stall).
bool update_factor(float& omega, float rate) {
  float w = stored(1.0 + double(rate));  // candidate while the factor is past the optimum
  if ((double(omega) - 1.0) - double(rate) < 0.0) {
    if (rate >= 0.999f) return false;
    const float g = stored(((double(rate) + double(omega)) - 1.0) / double(omega));
    const float h = stored(double(g) * double(g) / double(rate));
    const double one_minus_h = 1.0 - double(h);
    // A negative 1 - h (omega below 1 and a tiny rate) has no root: keep the candidate 1 + rate.
    if (one_minus_h >= 0.0) {
      const float r = stored(std::sqrt(one_minus_h));
      w = stored(2.0 / (double(r) + 1.0));
    }
  }
  omega = stored(double(w) - (2.0 - double(w)) * 0.25);
  return true;
}

sweep_result relaxation_sweep(const node_grid& grid, float tension, float omega) {
  sweep_result result;
  const double t = tension;
  const std::ptrdiff_t row = grid.row_stride();
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j) {
      float* node = &grid.at(i, j);
      const float s = *node;
      if (!is_free(s)) continue;
      stencil acc;
      add_axis(acc, node, 1, i, grid.nx, t);
      add_axis(acc, node, row, j, grid.ny, t);
      if (acc.weight == 0.0f) continue;  // no defined stencil value: the node stays as it is
      const float d = stored(double(acc.sum) / double(acc.weight) - double(s));
      result.sumsq = stored(double(d) * double(d) + double(result.sumsq));
      if (std::fabs(d) >= result.maxchg) result.maxchg = std::fabs(d);
      const float updated = stored(double(d) * double(omega) + double(s));
      if (updated != s) result.changed = true;
      *node = updated;
    }
  return result;
}

std::int32_t relax(const node_grid& grid, float zspan, std::int64_t nempty, float tension) {
  float omega = 1.0f;
  float prevrms = zspan;
  for (std::int32_t sweep = 1; sweep <= max_sweeps; ++sweep) {
    // Step 1: one sweep. Once a sweep changes nothing every later one would repeat it, and its
    // statistics would make the rate the undefined 0/0: the grid is final.
    const sweep_result result = relaxation_sweep(grid, tension, omega);
    if (!result.changed) return sweep;

    // Step 2: the statistics of the sweep. The mean is over nempty, every empty node found
    // by the averaging stage, whether or not a fill pass reached it.
    const float rmschg = stored(std::sqrt(double(result.sumsq) / double(nempty)));
    const float rate = stored(double(rmschg) / double(prevrms));
    prevrms = rmschg;
    const float maxrel = stored(double(result.maxchg) / double(zspan));
    if (sweep % sweeps_per_update != 0) continue;

    // Step 3: the factor update. A rate that is not a number (squared changes too small to
    // register in two sweeps) says nothing about convergence: omega and the test wait.
    if (std::isnan(rate) || !update_factor(omega, rate)) continue;

    // Step 4: the convergence test: the largest change, extrapolated over the geometric tail
    // 1/(1 - rate) and taken relative to the span, against the single real 0.01.
    if (double(maxrel) / (1.0 - double(rate)) - double(0.01f) <= 0.0) return sweep;
  }
  return max_sweeps;
}

}  // namespace plaxen::engine
