// What plaxen-grid tells of a run: the records, the grid, how many readings each node took,
// how well the grid honours them, and where the time went.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/grid/residuals.h"

namespace plaxen::grid {

struct RunReport {
  std::string data_name;
  std::int64_t records = 0;
  DataLimits limits;                 // of the records
  std::optional<DataLimits> region;  // -R, laid over instead of the limits
  float value_min = 0.0f, value_max = 0.0f;
  GridSize size;
  GridGeometry geometry{};
  std::int64_t data_nodes = 0;     // nodes that took readings
  std::int64_t defined_nodes = 0;  // data nodes and the nodes filled from them
  std::int64_t dropped = 0;        // readings a full node (20) ignored
  std::int64_t outside = 0;        // readings outside the grid
  std::int32_t sweeps = 0;         // relaxation sweeps run
  ResidualSums residuals;
  std::int64_t largest_line = 0;  // line of the largest residual's record; 0 when unknown
  bool passes = false;            // the file was read in passes (low memory)
  int threads = 1;
  double read_seconds = 0, grid_seconds = 0, residual_seconds = 0, write_seconds = 0;
  std::vector<std::string> written;  // the paths of the outputs, as given: "points.tif"

  std::int64_t nodes() const { return std::int64_t{size.nx} * std::int64_t{size.ny}; }
};

// The report as "label: value" lines for standard error, and as one JSON object on one
// line; both end with a newline.
std::string run_report_text(const RunReport& report);
std::string run_report_json(const RunReport& report);

}  // namespace plaxen::grid
