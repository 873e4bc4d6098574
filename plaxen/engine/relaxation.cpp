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

#include "plaxen/engine/four_stencils.h"

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
//
// A step that adds two single reals is written as a single-precision addition: the sum of two
// single reals evaluated in double and rounded once to single is the correctly rounded single
// sum (double carries more than twice single's 24 bits plus two), and the single addition is
// the shorter path from one step to the next. Every other step is evaluated in double.
inline void add_axis(stencil& acc, const float* node, std::int64_t stride, std::int64_t k,
                     std::int64_t count, float tension) {
  const double t = tension;
  bool lower_present = false;
  float lower = 0.0f;
  if (k > 1 && is_usable(node[-stride])) {
    lower = std::fabs(node[-stride]);
    acc.weight = 1.0f + acc.weight;
    acc.sum = acc.sum + lower;
    lower_present = true;
    if (k > 2 && is_usable(node[-2 * stride])) {
      acc.weight = acc.weight + tension;
      acc.sum = stored(double(acc.sum) -
                       (double(std::fabs(node[-2 * stride])) - 2.0 * double(lower)) * t);
    }
  }
  if (k < count && is_usable(node[stride])) {
    const float upper = std::fabs(node[stride]);
    acc.weight = 1.0f + acc.weight;
    acc.sum = acc.sum + upper;
    if (lower_present) {
      acc.weight = stored(t * 4.0 + double(acc.weight));
      acc.sum = stored(2.0 * t * (double(lower) + double(upper)) + double(acc.sum));
    }
    if (k + 1 < count && is_usable(node[2 * stride])) {
      acc.weight = acc.weight + tension;
      acc.sum =
          stored(double(acc.sum) - (double(std::fabs(node[2 * stride])) - 2.0 * double(upper)) * t);
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

// One bit per node in sweep order, bit (i-1)*ny + (j-1) for node (i, j).
class node_bits {
 public:
  // All bits clear.
  explicit node_bits(const node_grid& grid)
      : ny_(grid.ny), words_(static_cast<std::size_t>((grid.nodes() + 63) / 64), 0) {}

  // The bits of the nodes for which selected(s) holds; the team's members set whole words.
  template <class Select>
  node_bits(const node_grid& grid, worker_team& team, Select selected) : node_bits(grid) {
    const auto word_count = static_cast<std::int64_t>(words_.size());
    team.run([&](std::int32_t member) {
      const index_range words = share_of(word_count, member, team.size());
      for (std::int64_t w = words.first; w < words.last; ++w) {
        std::uint64_t word = 0;
        const std::int64_t first = w * 64;
        const std::int64_t count = std::min<std::int64_t>(64, grid.nodes() - first);
        std::int64_t i = first / ny_ + 1;
        std::int64_t j = first % ny_ + 1;
        for (std::int64_t b = 0; b < count; ++b) {
          if (selected(grid.at(i, j))) word |= std::uint64_t{1} << b;
          if (++j > ny_) j = 1, ++i;
        }
        words_[std::size_t(w)] = word;
      }
    });
  }

  void set(std::int64_t i, std::int64_t j) {
    const std::int64_t p = position(i, j);
    words_[std::size_t(p >> 6)] |= std::uint64_t{1} << (p & 63);
  }
  bool test(std::int64_t i, std::int64_t j) const {
    const std::int64_t p = position(i, j);
    return (words_[std::size_t(p >> 6)] >> (p & 63)) & 1;
  }

  // Calls visit(j) for every node of column i whose bit is set, in increasing j.
  template <class Visit>
  void for_column(std::int64_t i, Visit visit) const {
    for_column_where(
        i, [](std::uint64_t word, std::size_t) { return word; }, visit);
  }

  // Calls visit(j) for every node of column i whose bit is set here and in `other`
  // (`with` true) or here and not in `other` (`with` false), in increasing j.
  template <class Visit>
  void for_column_with(std::int64_t i, const node_bits& other, bool with, Visit visit) const {
    const std::uint64_t flip = with ? 0 : ~std::uint64_t{0};
    for_column_where(
        i, [&](std::uint64_t word, std::size_t w) { return word & (other.words_[w] ^ flip); },
        visit);
  }

  // The bits of `word`, the word of positions base..base+63, that lie in the column of
  // positions first..end-1.
  static std::uint64_t within_column(std::uint64_t word, std::int64_t base, std::int64_t first,
                                     std::int64_t end) {
    if (base < first) word &= ~std::uint64_t{0} << (first - base);
    if (end - base < 64) word &= (std::uint64_t{1} << (end - base)) - 1;
    return word;
  }

  // The set bits of one column, one after the other, for a walk that goes on between other
  // work.
  class column_cursor {
   public:
    column_cursor() = default;
    column_cursor(const node_bits& bits, std::int64_t i)
        : words_(bits.words_.data()),
          first_(bits.position(i, 1)),
          end_(first_ + bits.ny_),
          base_((first_ & ~std::int64_t{63}) - 64) {}

    // Sets j to the row of the next set bit and returns true, or returns false at the end.
    bool next(std::int64_t& j) {
      while (word_ == 0) {
        base_ += 64;
        if (base_ >= end_) return false;
        word_ = within_column(words_[std::size_t(base_ >> 6)], base_, first_, end_);
      }
      j = base_ - first_ + 1 + std::countr_zero(word_);
      word_ &= word_ - 1;
      return true;
    }

   private:
    const std::uint64_t* words_ = nullptr;
    std::int64_t first_ = 0, end_ = 0, base_ = 0;
    std::uint64_t word_ = 0;
  };

 private:
  // Visits the set bits of pick(word, w) over the words of column i, a word at a time: the
  // loop over a word's bits runs as often as it has bits, so that the processor mispredicts
  // about once a word rather than once a node, and the work of one node overlaps the next.
  template <class Pick, class Visit>
  void for_column_where(std::int64_t i, Pick pick, Visit visit) const {
    const std::int64_t first = position(i, 1);
    const std::int64_t end = first + ny_;
    for (std::int64_t base = first & ~std::int64_t{63}; base < end; base += 64) {
      const auto w = std::size_t(base >> 6);
      std::uint64_t word = within_column(pick(words_[w], w), base, first, end);
      const std::int64_t j0 = base - first + 1;
      for (; word != 0; word &= word - 1) visit(j0 + std::countr_zero(word));
    }
  }

 private:
  std::int64_t position(std::int64_t i, std::int64_t j) const { return (i - 1) * ny_ + (j - 1); }

  std::int64_t ny_;
  std::vector<std::uint64_t> words_;
};

// The stencil of the node (i, j) at `node`: W and S of its usable neighbours.
inline stencil stencil_of(const node_grid& grid, const float* node, std::int64_t i, std::int64_t j,
                          float t) {
  stencil acc;
  add_axis(acc, node, grid.x_stride, i, grid.nx, t);
  add_axis(acc, node, grid.y_stride, j, grid.ny, t);
  return acc;
}

// Writes the moved value of a node that held s, and notes whether it changed, compared bit
// for bit. Written even when unchanged, and without a branch: whether a node still changes
// follows no pattern once the sweeps near their end, and a guess that fails there throws
// away the work of the nodes after it. (No other sweep reads the node meanwhile: see
// sweep_block.)
inline void store_move(float* node, float s, float updated, bool& changed) {
  *node = updated;
  changed |= std::bit_cast<std::uint32_t>(updated) != std::bit_cast<std::uint32_t>(s);
}

// Moves the free node at `node`, holding s, by omega times its change d = quotient - s, where
// quotient is S/W in double; returns d.
inline float move_node(float* node, float s, double quotient, double omega, bool& changed) {
  const float d = stored(quotient - double(s));
  const float updated = stored(double(d) * omega + double(s));
  store_move(node, s, updated, changed);
  return d;
}

// Folds the change d of a moved node into the sweep's statistics, in sweep order.
inline void fold_change(float d, sweep_result& result) {
  result.sumsq = stored(double(d) * double(d) + double(result.sumsq));
  if (std::fabs(d) >= result.maxchg) result.maxchg = std::fabs(d);
}

// The free nodes whose stencil never changes: no node within two steps along either axis is
// free, so every usable neighbour is a data node, and neither data nodes nor unusable nodes
// ever change. Their quotient S/W is worked out once, by the same steps as every sweep would,
// and kept in sweep order, for at most `budget` of them (the first in sweep order): eight
// bytes each, and one bit per node to mark them.
class fixed_stencils {
 public:
  fixed_stencils(const node_grid& grid, const node_bits& free, float t, std::int64_t budget)
      : marked_(grid) {
    for (std::int64_t i = 1; i <= grid.nx && budget > 0; ++i)
      free.for_column(i, [&](std::int64_t j) {
        if (budget == 0 || !all_neighbours_fixed(grid, free, i, j)) return;
        const float* node = &grid.at(i, j);
        const stencil acc = stencil_of(grid, node, i, j, t);
        if (acc.weight == 0.0f) return;  // left to the general path, which skips it
        quotients_.push_back(double(acc.sum) / double(acc.weight));
        marked_.set(i, j);
        --budget;
      });
  }

  const node_bits& marked() const { return marked_; }
  double quotient(std::size_t n) const { return quotients_[n]; }

 private:
  static bool all_neighbours_fixed(const node_grid& grid, const node_bits& free, std::int64_t i,
                                   std::int64_t j) {
    for (std::int64_t step = -2; step <= 2; ++step) {
      if (step == 0) continue;
      const std::int64_t p = i + step, q = j + step;
      if (p >= 1 && p <= grid.nx && free.test(p, j)) return false;
      if (q >= 1 && q <= grid.ny && free.test(i, q)) return false;
    }
    return true;
  }

  node_bits marked_;
  std::vector<double> quotients_;
};

// The nodes one sweep visits and how: the free nodes, some with their fixed quotient.
struct sweep_plan {
  const node_bits& free;
  const fixed_stencils& fixed;
};

// One sweep's walk over the columns. Each column is swept in two passes, its fixed nodes,
// then its other free nodes in sweep order; the changes of all its free nodes are folded
// into the statistics in sweep order while the next column is swept. The fixed nodes neither
// read nor write anything the others do, so moving them first changes no value; the passes
// leave the processor no choice that follows no pattern (fixed or not, node after node), so
// that it works on the long chain of roundings of several nodes at once.
class column_sweep {
 public:
  column_sweep(const node_grid& grid, const sweep_plan& plan, float tension, double omega,
               sweep_result& result)
      : grid_(grid),
        plan_(plan),
        t_(tension),
        omega_(omega),
        result_(result),
        d_(std::size_t(grid.ny) + 1),
        folding_d_(d_.size()) {}

  // One sweep over column i, the columns in order; `next_fixed` is the sweep's count of fixed
  // quotients used so far. The changes of column i are folded while column i+1 is swept, or
  // by finish().
  void column(std::int64_t i, std::size_t& next_fixed) {
    prefetch_column(i + 3);
    const node_bits& fixed = plan_.fixed.marked();
    bool changed = false;
    plan_.free.for_column_with(i, fixed, true, [&](std::int64_t j) {
      d_[std::size_t(j)] = move_fixed(&grid_.at(i, j), next_fixed++, changed);
      fold_some(1);
    });
    // The other free nodes, up to four at a time where they can move together (see
    // move_group).
    const bool inner_column = i > 2 && i + 1 < grid_.nx;
    std::int64_t rows[group_size] = {};
    int waiting = 0;  // rows[0..waiting) are nodes not yet moved
    plan_.free.for_column_with(i, fixed, false, [&](std::int64_t j) {
      fold_some(2);
      if (!inner_column || !inner_row(j)) {
        move_group(i, rows, waiting, changed);
        waiting = 0;
        d_[std::size_t(j)] = move_free(i, j, changed);
        return;
      }
      if (waiting > 0 && j - rows[waiting - 1] <= 2) {
        move_group(i, rows, waiting, changed);
        waiting = 0;
      }
      rows[waiting++] = j;
      if (waiting == group_size) {
        move_group(i, rows, waiting, changed);
        waiting = 0;
      }
    });
    move_group(i, rows, waiting, changed);
    finish();
    result_.changed = result_.changed || changed;
    std::swap(d_, folding_d_);
    folding_ = node_bits::column_cursor(plan_.free, i);
  }

  // Folds the changes still to fold.
  void finish() {
    for (std::int64_t j = 0; folding_.next(j);) fold_change(folding_d_[std::size_t(j)], result_);
  }

 private:
  // Folds the changes of up to `count` more nodes of the column before, in sweep order. A
  // node left as it is has d = 0, which folds to nothing: sumsq + 0 is sumsq, and |0| >=
  // maxchg only while maxchg is 0. Folding is a chain of roundings, each waiting for the one
  // before: done a little at a time between the moves of the next column, it overlaps them.
  void fold_some(int count) {
    if (ahead_ < ahead_end_) {
      __builtin_prefetch(ahead_);
      ahead_ += 16;
    }
    for (std::int64_t j = 0; count > 0 && folding_.next(j); --count)
      fold_change(folding_d_[std::size_t(j)], result_);
  }

  // Starts fetching column i into the cache, a line each time some changes are folded,
  // when its nodes lie one after the other: the sweep reads columns up to two ahead of the
  // one it moves, and a grid that does not fit the cache would otherwise keep it waiting on
  // memory at every line of those. Asked for all at once, the lines would hold up the
  // loads of the column being moved. What is left of the column before is asked for first.
  void prefetch_column(std::int64_t i) {
    for (; ahead_ < ahead_end_; ahead_ += 16) __builtin_prefetch(ahead_);
    if (grid_.y_stride != 1 || i > grid_.nx) return;
    ahead_ = &grid_.at(i, 1);
    ahead_end_ = ahead_ + grid_.ny;
  }

  float move_fixed(float* node, std::size_t n, bool& changed) const {
    const float s = *node;
    if (!is_free(s)) return 0.0f;
    return move_node(node, s, plan_.fixed.quotient(n), omega_, changed);
  }

  float move_free(std::int64_t i, std::int64_t j, bool& changed) const {
    float* node = &grid_.at(i, j);
    const float s = *node;
    if (!is_free(s)) return 0.0f;
    const stencil acc = stencil_of(grid_, node, i, j, t_);
    if (acc.weight == 0.0f) return 0.0f;  // no defined stencil value: the node stays as it is
    return move_node(node, s, double(acc.sum) / double(acc.weight), omega_, changed);
  }

  bool inner_row(std::int64_t j) const { return j > 2 && j + 1 < grid_.ny; }

  // Moves the free nodes in rows[0..count) of column i, all two steps or more inside the
  // grid, each more than two rows past the one before, with no free node between them but
  // fixed ones: none reads or writes what another does, so they move together, each in a
  // lane of its own.
  void move_group(std::int64_t i, const std::int64_t* rows, int count, bool& changed) {
    if (count >= 2 && four_lanes_) {
      four_nodes group;
      bool all_free = true;
      for (int k = 0; k < group_size; ++k) {
        group.node[k] = &grid_.at(i, rows[std::min(k, count - 1)]);  // lanes past count repeat
        all_free = all_free && is_free(*group.node[k]);
      }
      if (all_free) {
        move_four(group, grid_.x_stride, grid_.y_stride, t_, omega_);
        for (int k = 0; k < count; ++k) {
          // A node without weight stays as it is.
          const bool moves = group.weight[k] != 0.0f;
          d_[std::size_t(rows[k])] = moves ? group.change[k] : 0.0f;
          if (moves) store_move(&grid_.at(i, rows[k]), *group.node[k], group.updated[k], changed);
        }
        return;
      }
    }
    for (int k = 0; k < count; ++k) d_[std::size_t(rows[k])] = move_free(i, rows[k], changed);
  }

  const node_grid& grid_;
  const sweep_plan& plan_;
  float t_;
  double omega_;
  sweep_result& result_;
  static constexpr int group_size = 4;
  bool four_lanes_ = four_stencils_available();
  std::vector<float> d_;              // the change of the node in row j of the column being swept
  std::vector<float> folding_d_;      // and of the column whose changes are being folded
  node_bits::column_cursor folding_;  // its free nodes still to fold
  const float* ahead_ = nullptr;      // the lines of a column ahead still to fetch
  const float* ahead_end_ = nullptr;
};

// Waits until `done` reaches `column`: briefly spinning, then giving the core away.
void wait_for_column(const std::atomic<std::int64_t>& done, std::int64_t column) {
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
// sweep q-1 no longer reads the columns sweep q writes). A sweep after one that changed
// nothing would change nothing either: it is skipped, or stops where it learns of it.
class sweep_block {
 public:
  sweep_block(const node_grid& grid, const sweep_plan& plan, float tension)
      : grid_(grid), plan_(plan), t_(tension) {}

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
    std::size_t next_fixed = 0;
    column_sweep columns(grid_, plan_, t_, omega, result);
    for (std::int64_t i = 1; i <= grid_.nx; ++i) {
      if (q > 0) wait_for_column(done_[q - 1], std::min<std::int64_t>(i + 2, grid_.nx));
      // A sweep before this one changed nothing: so would this one, whose statistics nobody
      // reads; it stops, having written back only the values the nodes held.
      if (first_unchanged_.load(std::memory_order_acquire) < q) {
        done_[q].store(grid_.nx, std::memory_order_release);
        return;
      }
      columns.column(i, next_fixed);
      done_[q].store(i, std::memory_order_release);
    }
    columns.finish();
    results_[q] = result;
    if (!result.changed) {
      std::int32_t seen = first_unchanged_.load(std::memory_order_relaxed);
      while (q < seen && !first_unchanged_.compare_exchange_weak(seen, q)) {
      }
    }
  }

  const node_grid& grid_;
  const sweep_plan& plan_;
  float t_;
  // Columns finished by each sweep, one cache line each: a sweep's member writes its own.
  struct alignas(64) progress : std::atomic<std::int64_t> {};
  progress done_[sweeps_per_update];
  sweep_result results_[sweeps_per_update];
  std::atomic<std::int32_t> first_unchanged_{0};
};

}  // namespace

// At most one byte per node for the fixed quotients (eight bytes each).
std::int64_t fixed_budget(const node_grid& grid) {
  return grid.nodes() / 8;
}

sweep_result relaxation_sweep(const node_grid& grid, float tension, float omega) {
  const node_bits free(grid, lone_worker(), is_free);
  const fixed_stencils fixed(grid, free, tension, fixed_budget(grid));
  const sweep_plan plan{free, fixed};
  sweep_result result;
  std::size_t next_fixed = 0;
  column_sweep columns(grid, plan, tension, omega, result);
  for (std::int64_t i = 1; i <= grid.nx; ++i) columns.column(i, next_fixed);
  columns.finish();
  return result;
}

std::int32_t relax(const node_grid& grid, float zspan, std::int64_t nempty, float tension,
                   worker_team& team) {
  const node_bits free(grid, team, is_free);
  const fixed_stencils fixed(grid, free, tension, fixed_budget(grid));
  const sweep_plan plan{free, fixed};
  sweep_block block(grid, plan, tension);
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
