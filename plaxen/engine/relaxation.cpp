// Stage 7 of zgrid: successive over-relaxation of the free nodes with a tensioned stencil.
#include "plaxen/engine/relaxation.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <thread>
#include <vector>

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
inline void add_axis(stencil& acc, const float* node, std::int64_t stride, std::int32_t k,
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

namespace {

// One bit per node in sweep order, bit (i-1)*ny + (j-1) for node (i, j): the nodes to visit.
class node_bits {
 public:
  // The bits of the nodes free on entry; the team's members set whole words each.
  node_bits(const node_grid& grid, worker_team& team)
      : ny_(grid.ny), words_(static_cast<std::size_t>((grid.nodes() + 63) / 64), 0) {
    const auto word_count = static_cast<std::int64_t>(words_.size());
    team.run([&](std::int32_t member) {
      const index_range words = share_of(word_count, member, team.size());
      for (std::int64_t w = words.first; w < words.last; ++w) {
        std::uint64_t word = 0;
        const std::int64_t first = w * 64;
        const std::int64_t count = std::min<std::int64_t>(64, grid.nodes() - first);
        std::int32_t i = std::int32_t(first / ny_) + 1;
        std::int32_t j = std::int32_t(first % ny_) + 1;
        for (std::int64_t b = 0; b < count; ++b) {
          if (is_free(grid.at(i, j))) word |= std::uint64_t{1} << b;
          if (++j > ny_) j = 1, ++i;
        }
        words_[std::size_t(w)] = word;
      }
    });
  }

  // Calls visit(j) for every node of column i whose bit is set, in increasing j.
  template <class Visit>
  void for_column(std::int32_t i, Visit visit) const {
    const std::int64_t first = std::int64_t{i - 1} * ny_;
    const std::int64_t end = first + ny_;
    std::int64_t p = first;
    while (p < end) {
      const std::uint64_t word = words_[std::size_t(p >> 6)] >> (p & 63);
      if (word == 0) {
        p = (p | 63) + 1;
        continue;
      }
      p += std::countr_zero(word);
      if (p >= end) return;
      visit(std::int32_t(p - first) + 1);
      ++p;
    }
  }

 private:
  std::int32_t ny_;
  std::vector<std::uint64_t> words_;
};

// Relaxes the free node (i, j) with factor omega and folds its change into `result`.
inline void relax_node(const node_grid& grid, std::int32_t i, std::int32_t j, double t,
                       double omega, sweep_result& result) {
  float* node = &grid.at(i, j);
  const float s = *node;
  if (!is_free(s)) return;
  stencil acc;
  add_axis(acc, node, grid.x_stride, i, grid.nx, t);
  add_axis(acc, node, grid.y_stride, j, grid.ny, t);
  if (acc.weight == 0.0f) return;  // no defined stencil value: the node stays as it is
  const float d = stored(double(acc.sum) / double(acc.weight) - double(s));
  result.sumsq = stored(double(d) * double(d) + double(result.sumsq));
  if (std::fabs(d) >= result.maxchg) result.maxchg = std::fabs(d);
  const float updated = stored(double(d) * omega + double(s));
  // Compared bit for bit and written only when changed: a sweep that changes nothing
  // writes nothing, so one running behind it reads a grid nobody writes.
  if (std::bit_cast<std::uint32_t>(updated) != std::bit_cast<std::uint32_t>(s)) {
    *node = updated;
    result.changed = true;
  }
}

// One sweep over column i.
inline void sweep_column(const node_grid& grid, const node_bits& bits, std::int32_t i, double t,
                         double omega, sweep_result& result) {
  bits.for_column(i, [&](std::int32_t j) { relax_node(grid, i, j, t, omega, result); });
}

// Waits until `done` reaches `column`: briefly spinning, then giving the core away.
void wait_for_column(const std::atomic<std::int32_t>& done, std::int32_t column) {
  for (int spins = 0; done.load(std::memory_order_acquire) < column; ++spins) {
    if (spins < 256) {
#if defined(__SSE2__)
      _mm_pause();
#endif
    } else {
      std::this_thread::yield();
    }
  }
}

// Up to sweeps_per_update consecutive sweeps with one factor omega, pipelined over the team:
// sweep q of the block runs on member q mod size, and starts column i once sweep q-1 has
// finished column i+2 (so node (i, j) reads columns i+1 and i+2 as sweep q-1 left them, and
// sweep q-1 no longer reads the columns sweep q writes). A sweep that would start after one
// that changed nothing is skipped: it would change nothing either.
class sweep_block {
 public:
  sweep_block(const node_grid& grid, const node_bits& bits, float tension)
      : grid_(grid), bits_(bits), t_(tension) {}

  // Runs `count` sweeps; results(q) then holds sweep q's statistics for every q up to the
  // first sweep that changed nothing.
  void run(std::int32_t count, float omega, worker_team& team) {
    first_unchanged_.store(count, std::memory_order_relaxed);
    for (std::int32_t q = 0; q < count; ++q) done_[q].store(0, std::memory_order_relaxed);
    team.run([&](std::int32_t member) {
      for (std::int32_t q = member; q < count; q += team.size()) sweep(q, omega);
    });
  }
  const sweep_result& results(std::int32_t q) const { return results_[q]; }

 private:
  void sweep(std::int32_t q, double omega) {
    if (first_unchanged_.load(std::memory_order_acquire) < q) {
      done_[q].store(grid_.nx, std::memory_order_release);
      return;
    }
    sweep_result result;
    for (std::int32_t i = 1; i <= grid_.nx; ++i) {
      if (q > 0) wait_for_column(done_[q - 1], std::min(i + 2, grid_.nx));
      sweep_column(grid_, bits_, i, t_, omega, result);
      done_[q].store(i, std::memory_order_release);
    }
    results_[q] = result;
    if (!result.changed) {
      std::int32_t seen = first_unchanged_.load(std::memory_order_relaxed);
      while (q < seen && !first_unchanged_.compare_exchange_weak(seen, q)) {
      }
    }
  }

  const node_grid& grid_;
  const node_bits& bits_;
  double t_;
  std::atomic<std::int32_t> done_[sweeps_per_update];  // columns finished by each sweep
  sweep_result results_[sweeps_per_update];
  std::atomic<std::int32_t> first_unchanged_{0};
};

}  // namespace

sweep_result relaxation_sweep(const node_grid& grid, float tension, float omega) {
  const node_bits bits(grid, lone_worker());
  sweep_result result;
  for (std::int32_t i = 1; i <= grid.nx; ++i) sweep_column(grid, bits, i, tension, omega, result);
  return result;
}

std::int32_t relax(const node_grid& grid, float zspan, std::int64_t nempty, float tension,
                   worker_team& team) {
  const node_bits bits(grid, team);
  sweep_block block(grid, bits, tension);
  float omega = 1.0f;
  float prevrms = zspan;
  for (std::int32_t base = 0; base < max_sweeps; base += sweeps_per_update) {
    // Step 1: a block of sweeps with one factor.
    const std::int32_t count = std::min(sweeps_per_update, max_sweeps - base);
    block.run(count, omega, team);
    for (std::int32_t q = 0; q < count; ++q) {
      const std::int32_t sweep = base + q + 1;
      const sweep_result& result = block.results(q);
      // Once a sweep changes nothing every later one would repeat it, and its statistics
      // would make the rate the undefined 0/0: the grid is final.
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

      // Step 4: the convergence test: the largest change, extrapolated over the geometric
      // tail 1/(1 - rate) and taken relative to the span, against the single real 0.01.
      if (double(maxrel) / (1.0 - double(rate)) - double(0.01f) <= 0.0) return sweep;
    }
  }
  return max_sweeps;
}

}  // namespace plaxen::engine
