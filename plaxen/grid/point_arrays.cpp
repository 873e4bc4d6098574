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
constexpr std::int64_t segment_points = std::int64_t{1} << 18;
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

// The single reals of `column`: where they lie, or rounded into `rounded` (allocated here).
std::span<const float> singles(const PointColumn& column, LargeArray<float>& rounded) {
  if (const auto* floats = std::get_if<std::span<const float>>(&column)) return *floats;
  rounded = LargeArray<float>(length_of(column));
  return rounded;
}

// Rounds the part [begin, end) of the columns given in double into their single reals.
void round_segment(const std::array<PointColumn, 3>& columns, HeldPoints& points,
                   std::int64_t begin, std::int64_t end) {
  for (std::size_t c = 0; c < 3; ++c) {
    const auto* doubles = std::get_if<std::span<const double>>(&columns[c]);
    if (doubles == nullptr) continue;
    float* to = points.rounded[c].data();
    for (auto k = std::size_t(begin); k < std::size_t(end); ++k)
      to[k] = static_cast<float>((*doubles)[k]);
  }
}

// Scans readings [begin, end) in order, up to the first that cannot be gridded.
SegmentScan scan_segment(const RecordRun& run, std::int64_t begin, std::int64_t end) {
  SegmentScan scan;
  for (auto k = std::size_t(begin); k < std::size_t(end); ++k) {
    const float x = run.x[k], y = run.y[k], z = run.z[k];
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
  points.run = {singles(columns[0], points.rounded[0]), singles(columns[1], points.rounded[1]),
                singles(columns[2], points.rounded[2])};
  std::vector<SegmentScan> scans(
      std::size_t((std::int64_t(count) + segment_points - 1) / segment_points));
  for_each_segment(std::int64_t(count), segment_points, threads,
                   [&](std::int64_t s, std::int64_t begin, std::int64_t end) {
                     round_segment(columns, points, begin, end);
                     scans[std::size_t(s)] = scan_segment(points.run, begin, end);
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
