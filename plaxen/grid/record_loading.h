// The records of a data file loaded into memory by plaxen-grid's reading, for callers that
// hand them on whole (the Python module).
#pragma once

#include <string>

#include "plaxen/grid/data_reader.h"
#include "plaxen/grid/point_store.h"

namespace plaxen::grid {

// Reads every record of the data file `path` into `store` with `settings`, as plaxen-grid
// reads it, showing no progress; `summary` gets what the reading found. Returns an empty
// string, or one line that starts with the file's name as messages show it: "bad.dat: line
// 57: invalid number in record 57: \"x521000.000 4632315.654 -121.5966\"" for a record that
// cannot be read, "nofile: No such file or directory" for a file the system cannot read.
// Throws std::bad_alloc, its reading stopped, when the records do not fit in memory
// (`store` is then empty).
std::string load_records(const std::string& path, const ReadSettings& settings, PointStore& store,
                         DataSummary& summary);

}  // namespace plaxen::grid
