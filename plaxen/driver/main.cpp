// plaxen: grids scattered (x, y, value) measurements onto a regular grid and writes it.
//
// The operator supplies, on standard input, the data file name, the grid file name and,
// after the data limits are shown, nx and ny. Every text passes through the record I/O layer.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "plaxen/blanking/blanking.h"
#include "plaxen/common/capacities.h"
#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/gridding_settings.h"
#include "plaxen/common/job_check.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/common/value_span.h"
#include "plaxen/driver/grid_file.h"
#include "plaxen/driver/operator_messages.h"
#include "plaxen/engine/out_of_range_report.h"
#include "plaxen/engine/zgrid.h"
#include "recordio/recordio.h"

#ifndef PLAXEN_BLANKING_SWITCH
#define PLAXEN_BLANKING_SWITCH 0
#endif

namespace {

using namespace plaxen;

constexpr int grid_unit = 9;
constexpr int data_unit = 11;

// Fixed settings of the run.
constexpr int blanking_switch = PLAXEN_BLANKING_SWITCH;
constexpr float tension = gridding_tension;
constexpr std::int32_t nfill = gridding_fill_passes;

// The grid, nx by ny nodes in plaxen's layout (see node_grid.h).
float z[max_nodes];

void read_file_name(char (&name)[file_name_length]) {
  // No END exit: an end of input ends the run with the report, so every call returns 0.
  (void)recordio::start_formatted_read(recordio::input_unit, "(1A80)");
  (void)recordio::read(std::span<char>(name));
  (void)recordio::end_read();
}

void write_data_limits(const DataLimits& limits) {
  recordio::start_formatted_write(recordio::output_unit,
                                  "(' data limits: xmin,xmax,ymin,ymax=',/,4E12.4)");
  recordio::write(limits.xmin);
  recordio::write(limits.xmax);
  recordio::write(limits.ymin);
  recordio::write(limits.ymax);
  recordio::end_write();
}

// Each point outside the grid gets the operator's line; k is at most max_records.
void report_each_outsider(std::int64_t k, float x, float y, float value) {
  report_out_of_range(static_cast<std::int32_t>(k), x, y, value);
}

// Written as a character item of its own with one blank before it, so that the line reads
// "  too many matrix elements".
void refuse_too_many_nodes() {
  recordio::start_list_write(recordio::output_unit);
  recordio::write(std::string(" ").append(too_many_nodes_refusal));
  recordio::end_write();
  recordio::stop_with_status(1);
}

}  // namespace

int main() {
  recordio::start_up();

  // Names and data.
  char data_name[file_name_length];
  char grid_name[file_name_length];
  read_file_name(data_name);
  recordio::open(data_unit, std::string_view(data_name, file_name_length), "old");
  read_file_name(grid_name);
  const LoadResult load = load_scattered_data(data_unit);
  if (load.capacity_reached && recordio::has_more_data(data_unit))
    warn("warning: the data file holds more than " + std::to_string(max_records) +
         " records; the rest are ignored");
  if (recordio::holds_bare_carriage_return(data_unit))
    warn(
        "warning: the data file holds carriage returns not followed by a newline; "
        "only a newline ends a record");

  if (points.n == 0) warn(no_records_warning);

  // Limits, grid size and geometry.
  write_data_limits(load.limits);
  const GridSize size = read_grid_size();
  const std::string_view refusal =
      judge_job(size, max_nodes, value_span(std::span<const float>(points.zp), points.n));
  if (refusal == too_many_nodes_refusal) refuse_too_many_nodes();
  if (!refusal.empty()) refuse_job(refusal);
  zmask = grid_geometry(load.limits, size);

  // Interpolation and the grid file, which must not be the data file under another name.
  const std::string_view grid_file_name(grid_name, file_name_length);
  if (recordio::names_connected_file(data_unit, grid_file_name))
    refuse_job("the grid file is the data file: refused, the data would be overwritten");
  recordio::open(grid_unit, grid_file_name, "unknown");
  const std::span<float> grid(z, std::size_t(size.nx) * std::size_t(size.ny));
  if (blanking_switch == 1) blanking(grid, size.nx, size.ny);
  const std::int32_t nxsize = size.nx;
  const std::int32_t nysize = max_nodes / size.nx;
  zgrid(grid, nxsize, nysize, size.nx, size.ny, zmask.xmin, zmask.ymin, zmask.dx, zmask.dy,
        std::span<const float>(points.xp).subspan(1), std::span<const float>(points.yp).subspan(1),
        std::span<const float>(points.zp).subspan(1), points.n, tension, nfill,
        report_each_outsider);
  mark_undefined_nodes(grid, size.nx, size.ny);
  write_grid(grid_unit, grid, size.nx, size.ny);
  recordio::stop();
}
