// Residuals of the readings against the grid, summed segment by segment.
#include "plaxen/grid/residuals.h"

#include <vector>

#include "plaxen/grid/parallel_segments.h"

namespace plaxen::grid {
namespace {

// The cell of an axis holding coordinate p: the index i0 (1-based) of its lower node and
// the fraction t in [0, 1] of the way to the next one; none outside [first node, last node].
bool locate(double p, double origin, double step, std::int32_t count, std::int32_t& i0, double& t) {
  const double u = (p - origin) / step;
  if (!(u >= 0.0 && u <= double(count - 1))) return false;
  // u >= 0: truncation is the floor; the last node belongs to the last cell.
  i0 = std::min(static_cast<std::int32_t>(u), count - 2) + 1;
  t = u - double(i0 - 1);
  return true;
}

// Reading k of `runs` with its index, where the runs hold readings first.. in order.
struct reading_cursor {
  std::span<const RecordRun> runs;
  std::size_t run = 0;
  std::size_t at = 0;
  // Moves to reading `k` (counted from the start of the runs).
  void seek(std::int64_t k) {
    run = 0;
    while (run < runs.size() && std::int64_t(runs[run].z.size()) <= k) {
      k -= std::int64_t(runs[run].z.size());
      ++run;
    }
    at = std::size_t(k);
  }
  void next() {
    if (++at == runs[run].z.size()) ++run, at = 0;
  }
};

}  // namespace

void ResidualSums::add(double r, std::int64_t k) {
  ++count;
  sum += r;
  sum_squares += r * r;
  if (std::fabs(r) > std::fabs(largest) || count == 1) {
    largest = r;
    largest_at = k;
  }
}

void ResidualSums::fold(const ResidualSums& next) {
  if (next.count == 0) return;
  if (count == 0 || std::fabs(next.largest) > std::fabs(largest)) {
    largest = next.largest;
    largest_at = next.largest_at;
  }
  count += next.count;
  sum += next.sum;
  sum_squares += next.sum_squares;
}

namespace {

// Where a reading falls among the nodes: the lower-left node (i, j) of its cell and the
// fractions (s, t) of the way to the next nodes; valid is false outside the nodes.
struct cell_place {
  bool valid = false;
  std::int32_t i = 0, j = 0;
  double s = 0.0, t = 0.0;
};

cell_place place(const exporting::ExportGrid& grid, float x, float y) {
  const GridGeometry& g = grid.geometry;
  cell_place c;
  c.valid = locate(x, g.xmin, g.dx, grid.size.nx, c.i, c.s) &&
            locate(y, g.ymin, g.dy, grid.size.ny, c.j, c.t);
  return c;
}

std::optional<double> interpolate_minus(const exporting::ExportGrid& grid, const cell_place& c,
                                        float value) {
  if (!c.valid) return std::nullopt;
  const float z00 = grid.at(c.i, c.j), z10 = grid.at(c.i + 1, c.j);
  const float z01 = grid.at(c.i, c.j + 1), z11 = grid.at(c.i + 1, c.j + 1);
  for (const float z : {z00, z10, z01, z11})
    if (exporting::is_undefined(z)) return std::nullopt;
  const double low = double(z00) + c.s * (double(z10) - double(z00));
  const double high = double(z01) + c.s * (double(z11) - double(z01));
  const double r = low + c.t * (high - low) - double(value);
  if (!std::isfinite(r)) return std::nullopt;
  return r;
}

}  // namespace

std::optional<double> residual_at(const exporting::ExportGrid& grid, float x, float y,
                                  float value) {
  return interpolate_minus(grid, place(grid, x, y), value);
}

namespace {

// The sums of the readings begin..end-1 of `runs` (reading 0 of the runs is `first` of the
// file). Each reading is placed and its nodes asked for a few readings before it is
// evaluated: the readings come in file order, their cells anywhere in a grid that seldom
// fits the caches.
ResidualSums segment_sums(const exporting::ExportGrid& grid, std::span<const RecordRun> runs,
                          std::int64_t first, std::int64_t begin, std::int64_t end) {
  constexpr std::int64_t ahead = 8;
  cell_place cells[ahead];
  float values[ahead];
  reading_cursor lead{runs};
  lead.seek(begin);
  ResidualSums sums;
  for (std::int64_t k = begin; k < end + ahead; ++k) {
    if (k >= begin + ahead) {
      const std::int64_t b = (k - ahead) % ahead;
      if (const auto r = interpolate_minus(grid, cells[b], values[b]))
        sums.add(*r, first + k - ahead);
    }
    if (k < end) {
      const RecordRun& r = runs[lead.run];
      cells[k % ahead] = place(grid, r.x[lead.at], r.y[lead.at]);
      values[k % ahead] = r.z[lead.at];
      // The four nodes lie on two lines in either layout, but where a row or column wraps.
      // (Written here, not in a function of its own: GCC takes a function that only
      // prefetches for one without effect and drops its calls.)
      if (const cell_place& c = cells[k % ahead]; c.valid) {
        __builtin_prefetch(&grid.z[grid.index(c.i, c.j)]);
        __builtin_prefetch(&grid.z[grid.index(c.i + 1, c.j + 1)]);
      }
      lead.next();
    }
  }
  return sums;
}

}  // namespace

ResidualSums residual_sums(const exporting::ExportGrid& grid, std::span<const RecordRun> runs,
                           std::int64_t first, int threads) {
  std::int64_t count = 0;
  for (const RecordRun& run : runs) count += std::int64_t(run.z.size());
  std::vector<ResidualSums> segments(
      std::size_t((count + residual_segment - 1) / residual_segment));
  for_each_segment(count, residual_segment, threads,
                   [&](std::int64_t s, std::int64_t begin, std::int64_t end) {
                     segments[std::size_t(s)] = segment_sums(grid, runs, first, begin, end);
                   });
  ResidualSums total;
  for (const ResidualSums& s : segments) total.fold(s);
  return total;
}

}  // namespace plaxen::grid
