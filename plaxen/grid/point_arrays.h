// Readings handed over in memory, as the Python module takes them: columns of x, y and the
// value in single or double precision, rounded once to single precision, checked, and
// scanned for the data limits and the value range as the reader scans a data file.
#pragma once

#include <array>
#include <span>
#include <string>
#include <variant>

#include "plaxen/common/large_array.h"
#include "plaxen/grid/data_reader.h"
#include "plaxen/grid/point_store.h"

namespace plaxen::grid {

// One column of readings in their order: single reals, or double reals to be rounded.
using PointColumn = std::variant<std::span<const float>, std::span<const double>>;

// Readings as the engine takes them, and what a reading of a file would find beside them.
struct HeldPoints {
  RecordRun run;                             // the columns given in single, or `rounded`
  std::array<LargeArray<float>, 3> rounded;  // the columns given in double, rounded
  DataSummary summary;
};

// Holds the columns x, y and z, of one length, on `threads` threads. A double is rounded once
// to single precision (to nearest, ties to even), as the reading of a data file rounds a
// number; the summary is what the reader finds for the same records in the same order.
// Columns in single precision are used where they lie: they must outlive `points`.
// Returns an empty string, or one line naming the first reading that cannot be gridded: an x
// or y that is not a finite single real ("x[12] is nan: coordinates must be finite
// single-precision numbers"; a double beyond the single range counts as infinite), or a value
// that is not a number ("z[3] is nan: values must be numbers"). Infinite values pass: the
// value span refuses them, as it refuses them in a file.
// Throws std::invalid_argument when the columns differ in length, std::bad_alloc when the
// rounded columns cannot be had.
std::string hold_points(const std::array<PointColumn, 3>& columns, int threads, HeldPoints& points);

}  // namespace plaxen::grid
