// The output formats of plaxen-export, named as GDAL names their drivers.
#pragma once

#include <optional>
#include <string_view>

namespace plaxen::exporting {

enum class ExportFormat { gtiff, netcdf, aaigrid, xyz };

// The GDAL driver name of a format: "GTiff", "netCDF", "AAIGrid", "XYZ".
std::string_view driver_name(ExportFormat format);

// The format of a driver name given with -of, in any case; none for another name.
std::optional<ExportFormat> format_named(std::string_view name);

// The format an output file name's extension calls for, in any case: .tif and .tiff, .nc,
// .asc, .xyz; none for another extension.
std::optional<ExportFormat> format_of_file(std::string_view path);

}  // namespace plaxen::exporting
