// The scattered point set and its loading from the data file, with the data limits.
#pragma once

#include <cstdint>

#include "plaxen/common/capacities.h"
#include "recordio/recordio.h"

namespace plaxen {

// The point set in static storage, arrays one-based as the routines index them: element 0 is
// unused. zarray holds value_columns columns of max_records points, point index fastest;
// only column 1 is filled. zp(k) is a copy of zarray(k, 1).
struct ScatteredData {
  float xp[max_records + 1];
  float yp[max_records + 1];
  float zp[max_records + 1];
  float zarray[value_columns][max_records + 1];
  std::int32_t n;
};
extern ScatteredData points;

// The data limits as tracked while loading; they start at +-1.0e35.
struct DataLimits {
  float xmin = undefined_value;
  float xmax = -undefined_value;
  float ymin = undefined_value;
  float ymax = -undefined_value;
};

// What the loading loop found.
struct LoadResult {
  DataLimits limits;
  bool capacity_reached;  // max_records were stored and the loop stopped for capacity
  int read_failure;       // with an error exit: the status of the unreadable record, else 0
};

// Reads records of x, y and one value from `unit` (already open) with list-directed reads
// that have an END exit, until the end of the file or until max_records are stored, into
// `points`, and tracks the data limits. A record cut by the end of the file is dropped.
// An unreadable number, or a read of the file that the system refuses, ends the run with
// the record I/O layer's error report, or, with `errors` = error_exit::yes, ends the loading
// with its recordio::read_failure in
// read_failure: points then holds the records before it, and recordio::read_position(unit)
// lies on the line of the value that could not be read.
LoadResult load_scattered_data(int unit, recordio::error_exit errors = recordio::error_exit::no);

// Widens the data limits to take in the point (x, y); comparisons are written so that the
// first point always replaces the starting limits.
void track_limits(DataLimits& limits, float x, float y);

}  // namespace plaxen
