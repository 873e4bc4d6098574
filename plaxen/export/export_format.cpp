// The table of export formats and what is read off it.
#include "plaxen/export/export_format.h"

#include <algorithm>
#include <vector>

#include "plaxen/export/gdal_writer.h"
#include "plaxen/export/text_writers.h"

namespace plaxen::exporting {
namespace {

std::string write_gtiff_job(const ExportJob& job) {
  return job.gdal->write_geotiff(job.path, job.grid, job.wkt, job.threads);
}
std::string write_netcdf_job(const ExportJob& job) {
  return job.gdal->write_netcdf(job.path, job.grid, job.wkt, job.labels);
}
std::string write_esri_job(const ExportJob& job) {
  return write_esri_ascii(job.path, job.grid);
}
std::string write_xyz_job(const ExportJob& job) {
  return write_xyz(job.path, job.grid);
}
std::string write_plaxen_job(const ExportJob& job) {
  return write_plaxen_grid(job.path, job.grid, job.threads);
}

// One row a format. needs_gdal: written by the GDAL writer module; holds_crs: takes
// --a_srs, in the file itself or in a crs_file beside it; holds_labels: takes --xy-units,
// --z-name and --z-units; needs_regular_file: written by seeking; grids_only: plaxen-grid's
// only.
constexpr FormatRow formats[] = {
    {.format = ExportFormat::gtiff,
     .driver = "GTiff",
     .extensions = {".tif", ".tiff"},
     .description = "GeoTIFF, float32, tiled, DEFLATE level 1",
     .needs_gdal = true,
     .holds_crs = true,
     .crs_file = "",
     .holds_labels = false,
     .needs_regular_file = true,
     .grids_only = false,
     .write = write_gtiff_job},
    {.format = ExportFormat::netcdf,
     .driver = "netCDF",
     .extensions = {".nc", ""},
     .description = "netCDF, CF conventions",
     .needs_gdal = true,
     .holds_crs = true,
     .crs_file = "",
     .holds_labels = true,
     .needs_regular_file = true,
     .grids_only = false,
     .write = write_netcdf_job},
    {.format = ExportFormat::aaigrid,
     .driver = "AAIGrid",
     .extensions = {".asc", ""},
     .description = "ESRI ASCII grid, square cells only",
     .needs_gdal = false,
     .holds_crs = true,
     .crs_file = ".prj",
     .holds_labels = false,
     .needs_regular_file = false,
     .grids_only = false,
     .write = write_esri_job},
    {.format = ExportFormat::xyz,
     .driver = "XYZ",
     .extensions = {".xyz", ""},
     .description = "x y z of every defined node",
     .needs_gdal = false,
     .holds_crs = false,
     .crs_file = "",
     .holds_labels = false,
     .needs_regular_file = false,
     .grids_only = false,
     .write = write_xyz_job},
    {.format = ExportFormat::plaxen,
     .driver = "plaxen",
     .extensions = {".grd", ""},
     .description = "plaxen's own grid file: ny rows of nx E15.7 values",
     .needs_gdal = false,
     .holds_crs = false,
     .crs_file = "",
     .holds_labels = false,
     .needs_regular_file = false,
     .grids_only = true,
     .write = write_plaxen_job},
};

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  for (std::size_t k = 0; k < a.size(); ++k)
    if (lower(a[k]) != lower(b[k])) return false;
  return true;
}

// "a, b, c LAST d"
std::string joined(const std::vector<std::string_view>& items, std::string_view last) {
  std::string text;
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (k + 1 == items.size() && k > 0)
      text.append(" ").append(last).append(" ");
    else if (k > 0)
      text.append(", ");
    text.append(items[k]);
  }
  return text;
}

}  // namespace

std::span<const FormatRow> export_formats() {
  return formats;
}

const FormatRow& format_row(ExportFormat format) {
  for (const FormatRow& row : formats)
    if (row.format == format) return row;
  return formats[0];  // every enumerator has its row
}

std::optional<ExportFormat> format_named(FormatSet set, std::string_view name) {
  for (const FormatRow& row : formats)
    if (row.in(set) && same_ignoring_case(row.driver, name)) return row.format;
  return std::nullopt;
}

std::optional<ExportFormat> format_of_file(FormatSet set, std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  for (const FormatRow& row : formats)
    for (const std::string_view extension : row.extensions)
      if (row.in(set) && !extension.empty() && same_ignoring_case(base.substr(dot), extension))
        return row.format;
  return std::nullopt;
}

std::string driver_list(FormatSet set, bool crs_only, std::string_view last) {
  std::vector<std::string_view> names;
  for (const FormatRow& row : formats)
    if (row.in(set) && (!crs_only || row.holds_crs)) names.push_back(row.driver);
  return joined(names, last);
}

std::string extension_list(FormatSet set) {
  std::vector<std::string_view> extensions;
  for (const FormatRow& row : formats)
    if (row.in(set)) extensions.push_back(row.extensions[0]);
  return joined(extensions, "or");
}

std::string format_help(FormatSet set, int indent) {
  std::string text;
  for (const FormatRow& row : formats) {
    if (!row.in(set)) continue;
    std::string names = std::string(row.driver) + " (";
    for (std::size_t k = 0; k < row.extensions.size() && !row.extensions[k].empty(); ++k)
      names += std::string(k > 0 ? ", " : "") + std::string(row.extensions[k]);
    names += ")";
    names.resize(std::max<std::size_t>(names.size() + 1, 18), ' ');
    text += std::string(std::size_t(indent), ' ') + names + std::string(row.description) + "\n";
  }
  return text;
}

}  // namespace plaxen::exporting
