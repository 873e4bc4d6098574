// The label options of the exports: parsing, refusals, defaults and help.
#include "plaxen/export/grid_labels.h"

#include <utility>

namespace plaxen::exporting {
namespace {

// The formats of `set` with room for names and units: "netCDF".
std::string formats_holding_labels(FormatSet set) {
  std::string names;
  for (const FormatRow& row : export_formats())
    if (row.in(set) && row.holds_labels)
      names += (names.empty() ? "" : " or ") + std::string(row.driver);
  return names;
}

}  // namespace

bool take_label_option(CommandLine& line, std::string_view arg, LabelOptions& options) {
  std::optional<std::string>* slot = arg == "--xy-units"  ? &options.xy_units
                                     : arg == "--z-name"  ? &options.z_name
                                     : arg == "--z-units" ? &options.z_units
                                                          : nullptr;
  if (slot == nullptr) return false;
  *slot = std::string(line.value_of(arg));
  return true;
}

std::string label_refusal(FormatSet set, ExportFormat format, const LabelOptions& options,
                          bool has_crs) {
  const char* given = options.xy_units  ? "--xy-units"
                      : options.z_name  ? "--z-name"
                      : options.z_units ? "--z-units"
                                        : nullptr;
  if (given == nullptr) return {};
  const FormatRow& row = format_row(format);
  if (!row.holds_labels)
    return std::string(given) + ": " + std::string(row.driver) +
           " files hold no names or units; export to " + formats_holding_labels(set);
  if (options.xy_units && has_crs)
    return "--xy-units: the units of x and y are those of the --a_srs system";
  return {};
}

GridLabels labels_of(const LabelOptions& options) {
  GridLabels labels;
  if (options.xy_units) labels.xy_units = *options.xy_units;
  if (options.z_name) labels.z_name = *options.z_name;
  if (options.z_units) labels.z_units = *options.z_units;
  return labels;
}

std::string label_help(FormatSet set, int indent, int column) {
  const auto quoted = [](std::string_view text) {
    return std::string(1, '"').append(text).append(1, '"');
  };
  const std::pair<std::string, std::string> lines[] = {
      {"--xy-units TEXT", "the units of x and y without --a_srs (default " +
                              quoted(default_xy_units) + ": plain numbers)"},
      {"--z-name TEXT", "what the values are (default " + quoted(default_z_name) + ")"},
      {"--z-units TEXT", "their units (default " + quoted(default_z_units) + ")"},
      {"", formats_holding_labels(set) + " only; the defaults are written too"},
  };
  const std::string margin(std::size_t(column), ' ');
  std::string text;
  for (const auto& [option, description] : lines) {
    std::string head = std::string(std::size_t(indent), ' ') + option;
    // A description that does not fit beside its option starts on a line of its own.
    head = head.size() < margin.size() ? head + margin.substr(head.size()) : head + "\n" + margin;
    text += (option.empty() ? margin : head) + description + "\n";
  }
  return text;
}

}  // namespace plaxen::exporting
