// plaxen-export: a plaxen grid file as a GeoTIFF, netCDF, ESRI ASCII or x y z file, placed
// exactly where plaxen put its nodes.
//
//   plaxen-export DATA GRID NX NY OUTPUT [-of FORMAT] [--a_srs CRS] [--xy-units TEXT]
//                 [--z-name TEXT] [--z-units TEXT]
//
// Reloads DATA with plaxen's own loader to get the geometry plaxen used, reads GRID as
// NX by NY nodes and writes OUTPUT (see export_output.h for how an existing one is replaced).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plaxen/common/available_cores.h"
#include "plaxen/common/capacities.h"
#include "plaxen/common/command_line.h"
#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/job_check.h"
#include "plaxen/common/output_file.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/export/export_format.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/export/export_output.h"
#include "plaxen/export/gdal_writer.h"
#include "plaxen/export/gdal_writer_loading.h"
#include "plaxen/export/grid_labels.h"
#include "plaxen/export/placed_grid_file.h"

namespace {

using namespace plaxen;
using namespace plaxen::exporting;

constexpr std::string_view usage =
    "usage: plaxen-export DATA GRID NX NY OUTPUT [-of FORMAT] [--a_srs CRS] [options]\n";

std::string help() {
  return std::string(usage) +
         "Writes the grid file GRID that plaxen made from the data file DATA on NX by NY nodes\n"
         "as OUTPUT, each cell centred on its node exactly where plaxen put it. DATA is read\n"
         "again with plaxen's own rules to get its geometry; GRID must hold NX by NY values\n"
         "(the NX and NY plaxen was given: a grid file of " +
         std::to_string(2 * grid_values_per_line) +
         " x 2 values is laid out exactly\n"
         "like one of " +
         std::to_string(grid_values_per_line) +
         " x 4).\n"
         "\n"
         "  -of FORMAT     " +
         driver_list(FormatSet::exports, false, "or") +
         "; without it the extension of OUTPUT\n"
         "                 decides:\n" +
         format_help(FormatSet::exports, 17) +
         "  --a_srs CRS    the coordinate reference system, in any form GDAL accepts (EPSG:32619,\n"
         "                 WKT, PROJ text); " +
         driver_list(FormatSet::exports, true) +
         " only (AAIGrid: in a .prj file\n"
         "                 beside OUTPUT). Without it none is written.\n" +
         label_help(FormatSet::exports, 2, 17) +
         "  --help         print this text\n"
         "  --version      print the version\n"
         "\n"
         "An existing OUTPUT is replaced whole once the new one is complete (a link: the file\n"
         "it names); a FIFO or device is written into; an OUTPUT that is DATA or GRID is\n"
         "refused. Undefined nodes (-999.0) become nodata: NaN in GTiff and netCDF, -999 in\n"
         "AAIGrid, left out of XYZ. Exit status 0 when OUTPUT is written; 1 with one line on\n"
         "standard error naming the problem, and no OUTPUT.\n";
}

struct Options {
  std::string data;
  std::string grid;
  GridSize size;
  std::string output;
  ExportFormat format = ExportFormat::gtiff;
  std::optional<std::string> crs;
  LabelOptions labels;
};

// The grid's node values, nx by ny, as the grid file holds them.
float z[max_nodes];

void check_size(const CommandLine& line, const GridSize& size) {
  const std::string_view refusal = judge_job(size, max_nodes, 0.0f);
  if (refusal == too_few_nodes_refusal) line.fail("NX and NY must be at least 2, as plaxen needs");
  if (!refusal.empty())
    line.fail(std::to_string(size.nx) + " x " + std::to_string(size.ny) +
              " nodes are more than the " + std::to_string(max_nodes) + " plaxen grids");
}

Options parse(CommandLine& line) {
  Options options;
  std::optional<std::string_view> format_name;
  std::vector<std::string_view> operands;
  while (!line.done()) {
    const std::string_view arg = line.next();
    if (arg == "--help") line.print_and_exit(help());
    if (arg == "--version") line.print_and_exit("plaxen-export " FIELDTOOLS_VERSION "\n");
    if (arg == "-of") {
      format_name = line.value_of(arg);
    } else if (arg == "--a_srs") {
      options.crs = std::string(line.value_of(arg));
    } else if (take_label_option(line, arg, options.labels)) {
    } else if (CommandLine::is_option(arg)) {
      line.fail_unknown_option(arg);
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() != 5) line.fail(std::string(usage.substr(0, usage.size() - 1)));
  options.data = operands[0];
  options.grid = operands[1];
  options.size = {line.node_count("NX", operands[2]), line.node_count("NY", operands[3])};
  options.output = operands[4];
  std::string problem;
  const std::optional<ExportFormat> format =
      choose_format(FormatSet::exports, format_name, options.output, problem);
  if (!format) line.fail(problem);
  options.format = *format;
  if (options.crs)
    if (const std::string refusal = crs_refusal(FormatSet::exports, options.format);
        !refusal.empty())
      line.fail(refusal);
  if (const std::string refusal = label_refusal(FormatSet::exports, options.format, options.labels,
                                                options.crs.has_value());
      !refusal.empty())
    line.fail(refusal);
  check_size(line, options.size);
  return options;
}

// The grid as plaxen made it: the geometry from the reloaded data, the values from GRID.
// Returns an empty string, or the line that names the problem.
std::string load_grid(const Options& options, ExportGrid& grid) {
  const std::span<float> values(z, std::size_t(options.size.nx) * std::size_t(options.size.ny));
  std::int64_t records = 0;
  grid = {options.size, {}, values};
  return read_placed_grid(options.grid, options.data, options.size, values, grid.geometry, records);
}

// The reference system as WKT, or the problem with it.
std::string resolve_crs(const Options& options, const GdalWriter* gdal, std::string& wkt) {
  if (!options.crs) return {};
  if (const std::string why = gdal->crs_wkt(*options.crs, wkt); !why.empty())
    return "--a_srs '" + shown_text(*options.crs) + "': " + shown_text(why);
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  ignore_file_size_signal();
  CommandLine line("plaxen-export", argc, argv);
  const Options options = parse(line);
  const std::vector<InputFile> inputs =
      existing_inputs({{"DATA", data_file_name(options.data)}, {"GRID", options.grid}});
  ExportTarget target(
      {options.output, options.format, options.crs.value_or(""), "", labels_of(options.labels)},
      inputs);
  // The GDAL writer loads on a thread of its own while the data and the grid load here; the
  // process must not end before finish() has joined that thread.
  std::optional<GdalWriterLoading> loading;
  if (needs_gdal(target.request())) loading.emplace();
  ExportGrid grid;
  std::string problem = load_grid(options, grid);
  const GdalWriter* gdal = loading ? loading->finish() : nullptr;
  if (loading && gdal == nullptr)
    return line.failure("cannot load its GDAL writer: " + loading->problem());
  if (gdal != nullptr) gdal->start_gdal();
  // A reference system GDAL does not know is named before a problem of the files.
  if (std::string why = resolve_crs(options, gdal, target.request().wkt); !why.empty())
    problem = why;
  if (problem.empty()) problem = target.write(grid, gdal, available_cores());
  if (problem.empty()) problem = target.commit();
  if (gdal != nullptr) gdal->end_gdal();
  // Returning, not exiting: the target's destructor removes a temporary file.
  return problem.empty() ? 0 : line.failure(problem);
}
