// plaxen-export: a plaxen grid file as a GeoTIFF, netCDF, ESRI ASCII or x y z file, placed
// exactly where plaxen put its nodes.
//
//   plaxen-export DATA GRID NX NY OUTPUT [-of FORMAT] [--a_srs CRS]
//
// Reloads DATA with plaxen's own loader to get the geometry plaxen used, reads GRID as
// NX by NY nodes and writes OUTPUT under a temporary name, renamed when complete.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_file_reader.h"
#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/export/export_format.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/export/gdal_writer.h"
#include "plaxen/export/gdal_writer_loading.h"
#include "plaxen/export/pending_output.h"
#include "plaxen/export/text_writers.h"

namespace {

using namespace plaxen;
using namespace plaxen::exporting;

constexpr std::string_view usage =
    "usage: plaxen-export DATA GRID NX NY OUTPUT [-of FORMAT] [--a_srs CRS]\n";

constexpr std::string_view help =
    "Writes the grid file GRID that plaxen made from the data file DATA on NX by NY nodes as\n"
    "OUTPUT, each cell centred on its node exactly where plaxen put it. DATA is read again\n"
    "with plaxen's own rules to get its geometry; GRID must hold NX by NY values.\n"
    "\n"
    "  -of FORMAT     GTiff, netCDF, AAIGrid or XYZ; without it the extension of OUTPUT\n"
    "                 decides: .tif (GeoTIFF, float32, tiled, DEFLATE), .nc (netCDF, CF),\n"
    "                 .asc (ESRI ASCII grid, square cells only), .xyz (x y z of every\n"
    "                 defined node)\n"
    "  --a_srs CRS    the coordinate reference system, in any form GDAL accepts (EPSG:32619,\n"
    "                 WKT, PROJ text); GTiff and netCDF only. Without it none is written.\n"
    "  --help         print this text\n"
    "  --version      print the version\n"
    "\n"
    "Undefined nodes (-999.0) become nodata: NaN in GTiff and netCDF, -999 in AAIGrid, left\n"
    "out of XYZ. Exit status 0 when OUTPUT is written; 1 with one line on standard error\n"
    "naming the problem, and no OUTPUT.\n";

struct Options {
  std::string data;
  std::string grid;
  GridSize size;
  std::string output;
  ExportFormat format = ExportFormat::gtiff;
  std::optional<std::string> crs;
};

// The grid's node values, nx by ny, as the grid file holds them.
float z[max_nodes];

[[noreturn]] void fail(const std::string& line) {
  std::fprintf(stderr, "plaxen-export: %s\n", line.c_str());
  std::exit(1);
}

void print_and_exit(std::string_view text) {
  const bool written =
      std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
  std::exit(written ? 0 : 1);
}

std::int32_t node_count(std::string_view name, std::string_view text) {
  std::int32_t count = 0;
  if (!parse_node_count(text, count))
    fail(std::string(name) + " must be an integer, not '" + std::string(text) + "'");
  return count;
}

// The value after option `name` at argv[k + 1].
std::string_view option_value(int argc, char** argv, int& k) {
  if (k + 1 >= argc) fail(std::string(argv[k]) + " needs a value; see plaxen-export --help");
  return argv[++k];
}

ExportFormat chosen_format(std::optional<std::string_view> name, const std::string& output) {
  if (name) {
    if (const auto format = format_named(*name)) return *format;
    fail("unknown format '" + std::string(*name) + "'; plaxen-export writes GTiff, netCDF, " +
         "AAIGrid and XYZ");
  }
  if (const auto format = format_of_file(output)) return *format;
  fail("cannot tell the format of '" + output + "' from its extension: name it .tif, .nc, .asc " +
       "or .xyz, or give -of");
}

void check_size(const GridSize& size) {
  if (too_few_nodes(size)) fail("NX and NY must be at least 2, as plaxen needs");
  if (too_many_nodes(size))
    fail(std::to_string(size.nx) + " x " + std::to_string(size.ny) + " nodes are more than the " +
         std::to_string(max_nodes) + " plaxen grids");
}

Options parse(int argc, char** argv) {
  Options options;
  std::optional<std::string_view> format_name;
  std::vector<std::string_view> operands;
  for (int k = 1; k < argc; ++k) {
    const std::string_view arg = argv[k];
    if (arg == "--help") print_and_exit(std::string(usage).append(help));
    if (arg == "--version") print_and_exit("plaxen-export " FIELDTOOLS_VERSION "\n");
    if (arg == "-of") {
      format_name = option_value(argc, argv, k);
    } else if (arg == "--a_srs") {
      options.crs = std::string(option_value(argc, argv, k));
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      fail("unknown option '" + std::string(arg) + "'; see plaxen-export --help");
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() != 5) fail(std::string(usage.substr(0, usage.size() - 1)));
  options.data = operands[0];
  options.grid = operands[1];
  options.size = {node_count("NX", operands[2]), node_count("NY", operands[3])};
  options.output = operands[4];
  options.format = chosen_format(format_name, options.output);
  if (options.crs &&
      (options.format == ExportFormat::aaigrid || options.format == ExportFormat::xyz))
    fail("--a_srs: " + std::string(driver_name(options.format)) +
         " files hold no coordinate reference system; export to GTiff or netCDF");
  check_size(options.size);
  return options;
}

// The grid as plaxen made it: the geometry from the reloaded data, the values from GRID.
// Returns an empty string, or the line that names the problem.
std::string load_grid(const Options& options, ExportGrid& grid) {
  const DataFile file = load_data_file(options.data);
  if (!file.problem.empty()) return file.name + ": " + file.problem;
  copy_data_limits(file.load.limits);
  derive_spacing(options.size);
  fit_grid_extent(options.size);
  grid = {options.size, zmask,
          std::span<const float>(z, std::size_t(options.size.nx) * options.size.ny)};
  if (options.format == ExportFormat::aaigrid)
    if (std::string refusal = esri_refusal(grid); !refusal.empty()) return refusal;
  if (const std::string problem = read_grid_file(options.grid, options.size.nx, options.size.ny, z);
      !problem.empty())
    return options.grid + ": " + problem;
  return {};
}

// The GDAL formats need the GDAL writer module; the text formats are written here.
bool needs_gdal(ExportFormat format) {
  return format == ExportFormat::gtiff || format == ExportFormat::netcdf;
}

std::string write_output(const std::string& path, const ExportGrid& grid, ExportFormat format,
                         const std::string& wkt, const GdalWriter* gdal) {
  switch (format) {
    case ExportFormat::gtiff:
      return gdal->write_geotiff(path, grid, wkt);
    case ExportFormat::netcdf:
      return gdal->write_netcdf(path, grid, wkt);
    case ExportFormat::aaigrid:
      return write_esri_ascii(path, grid);
    case ExportFormat::xyz:
      return write_xyz(path, grid);
  }
  return "unknown format";
}

// The export of the loaded grid (or the problem that came up in its loading, which a
// reference system GDAL does not know goes before): the output written under a temporary
// name, renamed when complete. Returns an empty string, or the line that names the problem.
std::string export_grid(const Options& options, const ExportGrid& grid,
                        const std::string& load_problem, const GdalWriter* gdal) {
  std::string wkt;
  if (options.crs)
    if (const std::string why = gdal->crs_wkt(*options.crs, wkt); !why.empty())
      return "--a_srs '" + *options.crs + "': " + why;
  if (!load_problem.empty()) return load_problem;
  PendingOutput output(options.output);
  std::string problem = output.problem();
  if (problem.empty())
    problem = write_output(output.temporary_path(), grid, options.format, wkt, gdal);
  if (problem.empty()) problem = output.commit();
  return problem.empty() ? "" : options.output + ": " + problem;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  // The GDAL writer loads on a thread of its own while the data and the grid load here; the
  // process must not end before finish() has joined that thread.
  std::optional<GdalWriterLoading> loading;
  if (needs_gdal(options.format)) loading.emplace();
  ExportGrid grid;
  const std::string load_problem = load_grid(options, grid);
  const GdalWriter* gdal = loading ? loading->finish() : nullptr;
  if (loading && gdal == nullptr) fail("cannot load its GDAL writer: " + loading->problem());
  if (gdal != nullptr) gdal->start_gdal(options.format);
  const std::string problem = export_grid(options, grid, load_problem, gdal);
  if (gdal != nullptr) gdal->end_gdal();
  if (!problem.empty()) fail(problem);
  return 0;
}
