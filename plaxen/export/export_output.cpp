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
    if (row.write({probe.write_path(), corner, request.wkt, request.labels, gdal}).empty() &&
        gdal->check_crs_read_back(probe.write_path(), row.driver.data(), request.wkt).empty())
      names += (names.empty() ? "" : " or ") + std::string(row.driver);
  }
  return names;
}

// "--a_srs 'CRS': LOST; export to FORMATS", the formats that hold the system when tried.
std::string crs_lost(const ExportRequest& request, const std::string& lost, const ExportGrid& grid,
                     const GdalWriter* gdal, const std::string& target) {
  const std::string holders = formats_holding_crs(request, grid, gdal, target);
  return "--a_srs '" + shown_text(request.crs) + "': " + lost +
         (holders.empty() ? "; no export format holds it" : "; export to " + holders);
}

}  // namespace

bool needs_gdal(const ExportRequest& request) {
  return format_row(request.format).needs_gdal || !request.crs.empty();
}

std::string crs_file_path(const std::string& output, std::string_view extension) {
  // GDAL's rule: the last full stop after the last separator, but not the first character.
  std::size_t end = output.size();
  for (std::size_t k = output.size(); k-- > 1;) {
    if (output[k] == '.') {
      end = k;
      break;
    }
    if (output[k] == '/' || output[k] == '\\' || output[k] == ':') break;
  }
  return output.substr(0, end) + std::string(extension);
}

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
  if (!out_.problem().empty()) {
    problem_ = shown_text(request_.output) + ": " + out_.problem();
    return;
  }
  prepare_crs_file(inputs);
}

void ExportTarget::prepare_crs_file(std::span<const InputFile> inputs) {
  const std::string_view extension = format_row(request_.format).crs_file;
  if (extension.empty() || request_.crs.empty()) return;
  const std::string path = crs_file_path(request_.output, extension);
  const std::string needs_a_file = shown_text(request_.output) +
                                   ": --a_srs writes the reference system to " + shown_text(path) +
                                   ", which needs OUTPUT to be a regular file of another name";
  if (out_.streams() || path == request_.output) {
    problem_ = needs_a_file;
    return;
  }
  crs_out_.emplace(path, inputs);
  if (!crs_out_->problem().empty())
    problem_ = shown_text(path) + ": " + crs_out_->problem();
  else if (crs_out_->target() == out_.target())  // one name a link to the other
    problem_ = needs_a_file;
  crs_path_ = path;
}

std::string ExportTarget::write_crs_file(const ExportGrid& grid, const GdalWriter* gdal) {
  std::string esri;
  if (const std::string lost = gdal->esri_wkt(request_.wkt, esri); !lost.empty())
    return crs_lost(request_, lost, grid, gdal, out_.target());
  // Without a line end, as GDAL writes it.
  if (const std::string problem = write_text_file(crs_out_->write_path(), esri); !problem.empty())
    return shown_text(crs_path_) + ": " + problem;
  return {};
}

std::string ExportTarget::write(const ExportGrid& grid, const GdalWriter* gdal, int threads) {
  if (!problem_.empty()) return problem_;
  const FormatRow& row = format_row(request_.format);
  if (request_.format == ExportFormat::aaigrid)
    if (std::string refusal = esri_refusal(grid); !refusal.empty()) return refusal;
  if (std::string problem =
          row.write({out_.write_path(), grid, request_.wkt, request_.labels, gdal, threads});
      !problem.empty())
    return shown_text(request_.output) + ": " + shown_text(problem);
  if (crs_out_) return write_crs_file(grid, gdal);
  if (!row.needs_gdal || request_.wkt.empty()) return {};
  const std::string lost =
      gdal->check_crs_read_back(out_.write_path(), row.driver.data(), request_.wkt);
  return lost.empty() ? "" : crs_lost(request_, lost, grid, gdal, out_.target());
}

std::string ExportTarget::commit() {
  // The .prj first: when it cannot be put in place, OUTPUT and its older .prj stay as they
  // were.
  if (crs_out_)
    if (const std::string problem = crs_out_->commit(); !problem.empty())
      return shown_text(crs_path_) + ": " + problem;
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
