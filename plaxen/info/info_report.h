// Everything plaxen-info tells about a data file and, given one, a grid size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/info/grid_census.h"
#include "plaxen/info/grid_suggestion.h"

namespace plaxen::info {

// What plaxen will do with the data on an nx by ny grid.
struct GridReport {
  GridSize size;
  std::string refusal;         // plaxen's refusal line without its leading blanks; empty: accepted
  bool spacing_known = false;  // dx, dy derived: nx and ny are at least 2
  GridGeometry geometry{};     // as plaxen lays it (xmax, ymax fitted to the nodes)
  float value_span = 0.0f;     // zmax - zmin as the interpolation forms it
  bool span_accepted = true;   // the node encoding holds the span
  std::int64_t missing_value_readings = 0;  // readings of exactly -999.0
  std::optional<GridCensus> census;         // only for an accepted grid
};

struct InfoReport {
  std::string data_name;
  std::int32_t records = 0;
  bool records_ignored = false;  // the file holds more than max_records
  DataLimits limits;
  float value_min = 0.0f;  // with at least one record
  float value_max = 0.0f;
  std::optional<GridReport> grid;  // when a grid size was given
  GridSuggestion suggestion;       // when none was
};

// The report for the loaded `file` (points holds its records) and the grid size, if any.
InfoReport make_report(const DataFile& file, const std::optional<GridSize>& size);

// The report as lines of "label: value" text, and as one JSON object on one line; both end
// with a newline.
std::string report_text(const InfoReport& report);
std::string report_json(const InfoReport& report);

}  // namespace plaxen::info
