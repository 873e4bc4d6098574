// Exporting a grid to a file: choosing, refusing, writing, checking and committing.
#include "plaxen/export/export_output.h"

#include <unistd.h>

#include "plaxen/common/shown_text.h"
#include "plaxen/export/text_writers.h"

namespace plaxen::exporting {
namespace {

// The other GDAL formats that hold the reference system of `request` when tried: each
// writes a grid of 2 x 2 nodes of `grid` beside OUTPUT under a temporary name, removed
// again. "netCDF", or empty when none does.
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

}  // namespace

std::optional<ExportFormat> choose_format(FormatSet set, std::optional<std::string_view> driver,
                                          std::string_view output, std::string& problem) {
  if (driver) {
    if (const auto format = format_named(set, *driver)) return format;
    problem = "unknown format '" + shown_text(*driver) + "'; the formats are " + driver_list(set);
    return std::nullopt;
  }
  if (const auto format = format_of_file(set, output)) return format;
  problem = "cannot tell the format of '" + shown_text(output) + "' from its extension: name it " +
            extension_list(set) + ", or give -of";
  return std::nullopt;
}

std::string crs_refusal(FormatSet set, ExportFormat format) {
  const FormatRow& row = format_row(format);
  if (row.holds_crs) return {};
  return "--a_srs: " + std::string(row.driver) +
         " files hold no coordinate reference system; export to " + driver_list(set, true, "or");
}

ExportTarget::ExportTarget(ExportRequest request, std::span<const InputFile> inputs)
    : request_(std::move(request)),
      out_(request_.output, inputs,
           format_row(request_.format).needs_regular_file ? format_row(request_.format).driver
                                                          : "") {
  if (!out_.problem().empty()) problem_ = shown_text(request_.output) + ": " + out_.problem();
}

std::string ExportTarget::write(const ExportGrid& grid, const GdalWriter* gdal, int threads) {
  if (!problem_.empty()) return problem_;
  const FormatRow& row = format_row(request_.format);
  if (request_.format == ExportFormat::aaigrid)
    if (std::string refusal = esri_refusal(grid); !refusal.empty()) return refusal;
  if (std::string problem = row.write({out_.write_path(), grid, request_.wkt, gdal, threads});
      !problem.empty())
    return shown_text(request_.output) + ": " + shown_text(problem);
  if (!row.needs_gdal || request_.wkt.empty()) return {};
  const std::string lost =
      gdal->check_crs_read_back(out_.write_path(), row.driver.data(), request_.wkt);
  if (lost.empty()) return {};
  const std::string holders = formats_holding_crs(request_, grid, gdal, out_.target());
  return "--a_srs '" + shown_text(request_.crs) + "': " + lost +
         (holders.empty() ? "; no export format holds it" : "; export to " + holders);
}

std::string ExportTarget::commit() {
  if (const std::string problem = out_.commit(); !problem.empty())
    return shown_text(request_.output) + ": " + problem;
  if (format_row(request_.format).needs_gdal && !out_.streams()) {
    // GDAL's notes on the file just replaced, under the name given and the file's own.
    unlink((request_.output + ".aux.xml").c_str());
    unlink((out_.target() + ".aux.xml").c_str());
  }
  return {};
}

}  // namespace plaxen::exporting
