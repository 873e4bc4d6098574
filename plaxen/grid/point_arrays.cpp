// Rounding, checking and scanning readings handed over in memory, segment by segment.
#include "plaxen/grid/point_arrays.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "plaxen/common/limits_tracker.h"
#include "plaxen/common/number_text.h"
#include "plaxen/grid/parallel_segments.h"

namespace plaxen::grid {
namespace {

// Readings a thread rounds and scans at a time; the scans are merged in order.
constexpr std::int64_t segment_points = std::int64_t{1} << 15;
constexpr char column_names[3] = {'x', 'y', 'z'};

std::size_t length_of(const PointColumn& column) {
  return std::visit([](auto values) { return values.size(); }, column);
}

// What one segment found: its scans, and its first reading that cannot be gridded.
struct SegmentScan {
  limits_tracker limits;
  engine::value_range values;
  std::int64_t refused = -1;  // the reading, or -1
  int refused_column = 0;
};

// One column as the scan takes it: single reals where they lie, or doubles rounded on the
// way into the column's own single reals.
struct ColumnReader {
  const float* singles = nullptr;
  const double* doubles = nullptr;
  float* rounded = nullptr;

  float at(std::size_t k) const {
    if (doubles == nullptr) return singles[k];
    return rounded[k] = static_cast<float>(doubles[k]);
  }
  // The column's single reals, once scanned.
  std::span<const float> scanned(std::size_t count) const {
    return {doubles == nullptr ? singles : rounded, count};
  }
};

// The reader of `column`, whose single reals, when it holds doubles, go to `rounded`
// (allocated here).
ColumnReader reader_of(const PointColumn& column, LargeArray<float>& rounded) {
  if (const auto* floats = std::get_if<std::span<const float>>(&column))
    return {floats->data(), nullptr, nullptr};
  rounded = LargeArray<float>(length_of(column));
  return {nullptr, std::get<std::span<const double>>(column).data(), rounded.data()};
}

// Rounds and scans readings [begin, end) in order, up to the first that cannot be gridded:
// one pass over each column.
SegmentScan scan_segment(const std::array<ColumnReader, 3>& columns, std::int64_t begin,
                         std::int64_t end) {
  SegmentScan scan;
  for (auto k = std::size_t(begin); k < std::size_t(end); ++k) {
    const float x = columns[0].at(k), y = columns[1].at(k), z = columns[2].at(k);
    const int refused = !std::isfinite(x) ? 0 : !std::isfinite(y) ? 1 : std::isnan(z) ? 2 : -1;
    if (refused >= 0) {
      scan.refused = std::int64_t(k);
      scan.refused_column = refused;
      return scan;
    }
    scan.limits.add(x, y);
    scan.values.add(z);
  }
  return scan;
}

// "x[12] is 1e+300: coordinates must be finite single-precision numbers", the value as given.
std::string refusal(const PointColumn& column, int c, std::int64_t k) {
  const std::string given =
      std::visit([k](auto values) { return exact_text(values[std::size_t(k)]); }, column);
  return std::string(1, column_names[c]) + "[" + std::to_string(k) + "] is " + given +
         (c < 2 ? ": coordinates must be finite single-precision numbers"
                : ": values must be numbers");
}

}  // namespace

std::string hold_points(const std::array<PointColumn, 3>& columns, int threads,
                        HeldPoints& points) {
  const std::size_t count = length_of(columns[0]);
  if (length_of(columns[1]) != count || length_of(columns[2]) != count)
    throw std::invalid_argument("x, y and z differ in length");
  std::array<ColumnReader, 3> readers;
  for (std::size_t c = 0; c < 3; ++c) readers[c] = reader_of(columns[c], points.rounded[c]);
  points.run = {readers[0].scanned(count), readers[1].scanned(count), readers[2].scanned(count)};
  std::vector<SegmentScan> scans(
      std::size_t((std::int64_t(count) + segment_points - 1) / segment_points));
  for_each_segment(std::int64_t(count), segment_points, threads,
                   [&](std::int64_t s, std::int64_t begin, std::int64_t end) {
                     scans[std::size_t(s)] = scan_segment(readers, begin, end);
                   });
  limits_tracker limits;
  engine::value_range values;
  for (const SegmentScan& scan : scans) {
    if (scan.refused >= 0)
      return refusal(columns[std::size_t(scan.refused_column)], scan.refused_column, scan.refused);
    limits.merge(scan.limits);
    values.merge(scan.values);
  }
  points.summary.records = std::int64_t(count);
  points.summary.limits = limits.limits();
  points.summary.values = values;
  return {};
}

}  // namespace plaxen::grid
