// The output formats of the exports, one row each: everything help texts, messages and the
// writers need to know of a format lives in its row.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace plaxen::exporting {

enum class ExportFormat { gtiff, netcdf, aaigrid, xyz, plaxen };

// Which program's formats: plaxen-export writes every format but plaxen's own text grid,
// which it reads; plaxen-grid writes every format.
enum class FormatSet { exports, grids };

struct ExportGrid;
struct GdalWriter;
struct GridLabels;

// One export as a writer takes it: the file to write (an output's write path), the grid,
// the coordinate reference system as WKT (empty: none), the names and units to write, and
// GDAL's writer module when the format needs it.
struct ExportJob {
  const std::string& path;
  const ExportGrid& grid;
  const std::string& wkt;
  const GridLabels& labels;
  const GdalWriter* gdal;
  int threads = 1;  // threads the writer may use (the result never depends on them)
};
// Writes the job's file; returns an empty string, or why it could not (one line).
using ExportWriter = std::string (*)(const ExportJob& job);

struct FormatRow {
  ExportFormat format;
  std::string_view driver;                     // GDAL's driver name, as -of takes it
  std::array<std::string_view, 2> extensions;  // the file name extensions that call for it
  std::string_view description;                // for --help, after the extension
  bool needs_gdal;  // written through the GDAL writer module, not by the program
  bool holds_crs;   // can carry the coordinate reference system of --a_srs
  // The extension of the file beside OUTPUT that carries the reference system (".prj":
  // OUTPUT's extension replaced, as GDAL looks for it), or empty: OUTPUT carries it.
  std::string_view crs_file;
  bool holds_labels;        // names and units of x, y and the values (grid_labels.h)
  bool needs_regular_file;  // written by seeking: a FIFO or device cannot take it
  bool grids_only;          // plaxen-grid's format only (plaxen-export reads it)
  ExportWriter write;

  bool in(FormatSet set) const { return set == FormatSet::grids || !grids_only; }
};

// Every format, in the order help texts list them (check FormatRow::in for a program's).
std::span<const FormatRow> export_formats();

// The row of `format`.
const FormatRow& format_row(ExportFormat format);

// The format of `set` of a driver name given with -of, in any case; none for another name.
std::optional<ExportFormat> format_named(FormatSet set, std::string_view name);

// The format of `set` an output file name's extension calls for, in any case; none for
// another one.
std::optional<ExportFormat> format_of_file(FormatSet set, std::string_view path);

// "GTiff, netCDF, AAIGrid and XYZ": the driver names of the formats of `set`, or with
// `crs_only` of those that hold a coordinate reference system ("GTiff and netCDF"); `last`
// joins the last two ("and", "or").
std::string driver_list(FormatSet set, bool crs_only = false, std::string_view last = "and");

// ".tif, .nc, .asc or .xyz": the first extension of every format of `set`.
std::string extension_list(FormatSet set);

// The lines of --help that describe the formats of `set`, each indented by `indent` blanks.
std::string format_help(FormatSet set, int indent);

}  // namespace plaxen::exporting
