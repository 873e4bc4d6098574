// The command line of plaxen-grid: what to grid, onto which grid, into which files.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "plaxen/common/command_line.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/export/grid_labels.h"

namespace plaxen::grid {

// Which grid to lay: a node count or a spacing, over the data limits or a region.
struct GridSpec {
  std::optional<GridSize> size;      // -n NX NY
  std::optional<float> dx, dy;       // -I DX[/DY], each rounded once to a single real
  std::optional<DataLimits> region;  // -R XMIN/XMAX/YMIN/YMAX, single reals
};

struct GridOptions {
  std::string data;
  std::string output;
  GridSpec grid;
  std::optional<std::string> format_name;  // -of
  std::optional<std::string> crs;          // --a_srs
  exporting::LabelOptions labels;          // --xy-units, --z-name, --z-units
  std::array<int, 3> columns{1, 2, 3};     // --columns X,Y,Z: fields of a record, 1-based
  std::int64_t skip_lines = 0;             // --skip-lines N
  std::string counts;                      // --counts FILE
  std::string residuals;                   // --residuals FILE
  bool json = false;
  bool quiet = false;
  bool low_memory = false;
  int threads = 0;  // --threads N; 0: every core
};

// The usage line and the --help text.
std::string_view grid_usage();
std::string grid_help();

// Parses the command line; --help and --version print and exit, a bad option or value
// fails with one line (CommandLine::fail).
GridOptions parse_grid_options(CommandLine& line);

// A decimal number as a single real, as plaxen's reading rounds a number of the data file
// (to double, then once to single). False for anything but one number ("1e3", "-2.5" and
// "inf" are numbers; "1,5", "", "0x10" are not).
bool parse_single(std::string_view text, float& value);

}  // namespace plaxen::grid
