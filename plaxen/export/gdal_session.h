// GDAL for one export: the one driver it needs, errors kept as text, everything released.
#pragma once

#include <string>

#include "plaxen/export/export_format.h"

namespace plaxen::exporting {

// Registers the GDAL driver of `format` only (registering them all costs start-up time) and
// keeps GDAL's error messages from standard error (the last one is passed on in the
// export's own one-line report). Once per process, for GTiff and netCDF.
void start_gdal(ExportFormat format);

// Closes what GDAL holds (GDALDestroy); GDAL is not used after it.
void end_gdal();

// The last error GDAL reported, or `otherwise` when it reported none.
std::string last_gdal_error(const std::string& otherwise);

// The coordinate reference system `text` names (any form GDAL accepts: "EPSG:32619", WKT,
// PROJ text) as WKT in `wkt`. Returns an empty string, or why it names none.
std::string crs_wkt(const std::string& text, std::string& wkt);

}  // namespace plaxen::exporting
