// GDAL for one export: the one driver it needs, errors kept as text, everything released.
#pragma once

#include <string>

#include "plaxen/export/export_format.h"

namespace plaxen::exporting {

// Registers the GDAL driver of `format` only (registering them all costs start-up time),
// keeps GDAL's error messages from standard error (the last one is passed on in the
// export's own one-line report) and, when it ends, closes what GDAL holds (GDALDestroy).
// One per process, for GTiff and netCDF; the text formats need none.
class GdalSession {
 public:
  explicit GdalSession(ExportFormat format);
  ~GdalSession();
  GdalSession(const GdalSession&) = delete;
  GdalSession& operator=(const GdalSession&) = delete;
};

// The last error GDAL reported, or `otherwise` when it reported none.
std::string last_gdal_error(const std::string& otherwise);

// The coordinate reference system `text` names (any form GDAL accepts: "EPSG:32619", WKT,
// PROJ text) as WKT in `wkt`. Returns an empty string, or why it names none.
std::string crs_wkt(const std::string& text, std::string& wkt);

}  // namespace plaxen::exporting
