// Exporting a grid to a file: choosing, refusing, writing, checking and committing.
#include "plaxen/export/export_output.h"

#include <unistd.h>

#include <vector>

#include "plaxen/common/shown_text.h"
#include "plaxen/export/text_writers.h"

namespace plaxen::exporting {
namespace {

// The other formats that hold the reference system of `request` when tried: each writes a
// grid of 2 x 2 nodes of `grid` beside OUTPUT under a temporary name, removed again. "netCDF",
// or empty when none does.
std::string formats_holding_crs(const ExportRequest& request, const ExportGrid& grid,
                                const GdalWriter* gdal, const std::string& target) {
  ExportGrid corner = grid;
  corner.size = {2, 2};
  corner.y_stride = grid.y_stride != 0 ? grid.y_stride : std::size_t(grid.size.nx);
  std::string names;
  for (const FormatRow& row : export_formats()) {
    if (!row.holds_crs || !row.needs_gdal || row.format == request.format) continue;
    const OutputFile probe(target, {});
    if (!probe.problem().empty()) continue;
    if (row.write({probe.write_path(), corner, request.wkt, gdal}).empty() &&
        gdal->check_crs_read_back(probe.write_path(), row.driver.data(), request.wkt).empty())
      names += (names.empty() ? "" : " or ") + std::string(row.driver);
  }
  return names;
}

// The file with its reference system checked and in place; returns why not, or "".
std::string write_and_commit(const ExportRequest& request, const ExportGrid& grid,
                             const GdalWriter* gdal, OutputFile& out) {
  const FormatRow& row = format_row(request.format);
  if (std::string problem = row.write({out.write_path(), grid, request.wkt, gdal});
      !problem.empty())
    return shown_text(request.output) + ": " + shown_text(problem);
  if (row.needs_gdal && !request.wkt.empty()) {
    if (const std::string lost =
            gdal->check_crs_read_back(out.write_path(), row.driver.data(), request.wkt);
        !lost.empty()) {
      const std::string holders = formats_holding_crs(request, grid, gdal, out.target());
      return "--a_srs '" + shown_text(request.crs) + "': " + lost +
             (holders.empty() ? "; no export format holds it" : "; export to " + holders);
    }
  }
  if (const std::string problem = out.commit(); !problem.empty())
    return shown_text(request.output) + ": " + problem;
  return {};
}

}  // namespace

std::optional<ExportFormat> choose_format(std::optional<std::string_view> driver,
                                          std::string_view output, std::string& problem) {
  if (driver) {
    if (const auto format = format_named(*driver)) return format;
    problem = "unknown format '" + shown_text(*driver) + "'; the formats are " + driver_list();
    return std::nullopt;
  }
  if (const auto format = format_of_file(output)) return format;
  problem = "cannot tell the format of '" + shown_text(output) + "' from its extension: name it " +
            extension_list() + ", or give -of";
  return std::nullopt;
}

std::string crs_refusal(ExportFormat format) {
  const FormatRow& row = format_row(format);
  if (row.holds_crs) return {};
  return "--a_srs: " + std::string(row.driver) +
         " files hold no coordinate reference system; export to " + driver_list(true, "or");
}

std::string export_grid_file(const ExportRequest& request, const ExportGrid& grid,
                             const GdalWriter* gdal, std::span<const InputFile> inputs) {
  const FormatRow& row = format_row(request.format);
  if (request.format == ExportFormat::aaigrid)
    if (std::string refusal = esri_refusal(grid); !refusal.empty()) return refusal;
  OutputFile out(request.output, inputs, row.needs_regular_file ? row.driver : "");
  if (!out.problem().empty()) return shown_text(request.output) + ": " + out.problem();
  const std::string problem = write_and_commit(request, grid, gdal, out);
  if (problem.empty() && row.needs_gdal && !out.streams()) {
    // GDAL's notes on the file just replaced, under the name given and the file's own.
    unlink((request.output + ".aux.xml").c_str());
    unlink((out.target() + ".aux.xml").c_str());
  }
  return problem;
}

}  // namespace plaxen::exporting
