// Format names and file extensions of plaxen-export.
#include "plaxen/export/export_format.h"

#include <array>
#include <utility>

namespace plaxen::exporting {
namespace {

constexpr std::array<std::pair<ExportFormat, std::string_view>, 4> drivers = {{
    {ExportFormat::gtiff, "GTiff"},
    {ExportFormat::netcdf, "netCDF"},
    {ExportFormat::aaigrid, "AAIGrid"},
    {ExportFormat::xyz, "XYZ"},
}};

constexpr std::array<std::pair<std::string_view, ExportFormat>, 5> extensions = {{
    {".tif", ExportFormat::gtiff},
    {".tiff", ExportFormat::gtiff},
    {".nc", ExportFormat::netcdf},
    {".asc", ExportFormat::aaigrid},
    {".xyz", ExportFormat::xyz},
}};

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[k]) != lower(b[k])) return false;
  }
  return true;
}

}  // namespace

std::string_view driver_name(ExportFormat format) {
  for (const auto& [f, name] : drivers)
    if (f == format) return name;
  return {};
}

std::optional<ExportFormat> format_named(std::string_view name) {
  for (const auto& [f, driver] : drivers)
    if (same_ignoring_case(driver, name)) return f;
  return std::nullopt;
}

std::optional<ExportFormat> format_of_file(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  for (const auto& [extension, f] : extensions)
    if (same_ignoring_case(base.substr(dot), extension)) return f;
  return std::nullopt;
}

}  // namespace plaxen::exporting
