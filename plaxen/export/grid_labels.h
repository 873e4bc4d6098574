// What the exported numbers are: the names and units that a format with room for them
// (netCDF) writes beside the coordinates and the values, and the options that set them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "plaxen/common/command_line.h"
#include "plaxen/export/export_format.h"

namespace plaxen::exporting {

// The defaults, stated once for the help texts and the writers. x and y without a unit
// are CF's dimensionless 1, spelled 1e0: GDAL does not take x and y whose units read "1"
// for the axes of the map, and would lose the grid's placement.
inline constexpr std::string_view default_xy_units = "1e0";
inline constexpr std::string_view default_z_name = "value";
inline constexpr std::string_view default_z_units = "1";

// The labels an export writes. x and y take their units from the reference system when
// there is one (xy_units then goes unused); without one, xy_units.
struct GridLabels {
  std::string xy_units{default_xy_units};
  std::string z_name{default_z_name};  // the long name of the values
  std::string z_units{default_z_units};
};

// --xy-units, --z-name and --z-units as given on a command line; none where not given.
struct LabelOptions {
  std::optional<std::string> xy_units;
  std::optional<std::string> z_name;
  std::optional<std::string> z_units;
};

// Takes `arg` with its value (the next argument) into `options` when it is one of the three
// options; false for any other argument. A missing value fails as CommandLine::value_of.
bool take_label_option(CommandLine& line, std::string_view arg, LabelOptions& options);

// Why the labels given cannot be written, or an empty string: a format without room for
// them ("--z-units: GTiff files hold no names or units; export to netCDF", the formats
// named from the table), or --xy-units beside --a_srs, whose system has units of its own.
std::string label_refusal(FormatSet set, ExportFormat format, const LabelOptions& options,
                          bool has_crs);

// The labels to write: those given, the defaults for the rest.
GridLabels labels_of(const LabelOptions& options);

// The lines of --help for the three options of `set`'s formats, the option names indented
// by `indent` blanks and their descriptions starting at column `column`.
std::string label_help(FormatSet set, int indent, int column);

}  // namespace plaxen::exporting
