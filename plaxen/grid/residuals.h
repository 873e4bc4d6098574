// How well a grid honours its readings: the grid interpolated bilinearly at each reading,
// minus the reading.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>

#include "plaxen/engine/worker_team.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/grid/point_store.h"

namespace plaxen::grid {

// Sums of residuals. They are formed segment by segment, a segment being the readings
// k*residual_segment .. (k+1)*residual_segment - 1 in file order, and the segments' sums
// are added in order: the result is the same however many threads form them, and whether
// the readings come from memory or from a pass over the file.
inline constexpr std::int64_t residual_segment = 65536;

struct ResidualSums {
  std::int64_t count = 0;       // readings with a residual
  double sum = 0.0;             // of their residuals
  double sum_squares = 0.0;     // of their squares
  double largest = 0.0;         // the residual of largest magnitude, its sign kept (first on ties)
  std::int64_t largest_at = 0;  // its reading, 0-based in file order

  double mean() const { return count > 0 ? sum / double(count) : 0.0; }
  double rms() const { return count > 0 ? std::sqrt(sum_squares / double(count)) : 0.0; }
  // Adds residual `r` of reading `k` (readings of a segment in order).
  void add(double r, std::int64_t k);
  // Adds the sums of the next segment.
  void fold(const ResidualSums& next);
};

// The residual of the reading (x, y, value): the grid's bilinear interpolation at (x, y)
// minus the value, in double precision, node positions xmin + (i-1)*dx as the exports place
// them. None when (x, y) lies outside the nodes' rectangle or one of the four nodes around
// it is undefined (-999.0 or not a number), or the residual is not a finite number.
std::optional<double> residual_at(const exporting::ExportGrid& grid, float x, float y, float value);

// The sums over the readings of `runs` (every record, in file order; the first has index
// `first`, a multiple of residual_segment), on the members of `team`.
ResidualSums residual_sums(const exporting::ExportGrid& grid, std::span<const RecordRun> runs,
                           std::int64_t first, engine::worker_team& team);

// The same sums formed run by run as a pass over the file hands the readings on.
class ResidualPass {
 public:
  explicit ResidualPass(const exporting::ExportGrid& grid) : grid_(grid) {}
  // The readings of `run`, the next in file order; its first is reading `first`.
  void take(const RecordRun& run, std::int64_t first);
  // The sums of every reading taken.
  ResidualSums total() const;

 private:
  const exporting::ExportGrid& grid_;
  ResidualSums done_;     // of the segments before the current one
  ResidualSums current_;  // of the current segment so far
  std::int64_t segment_ = 0;
};

}  // namespace plaxen::grid
