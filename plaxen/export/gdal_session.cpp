// Driver registration, error capture and the end of GDAL for one export.
#include "plaxen/export/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>
#include <gdal_frmts.h>
#include <ogr_spatialref.h>

namespace plaxen::exporting {

void start_gdal(ExportFormat format) {
  CPLSetErrorHandler(CPLQuietErrorHandler);
  if (format == ExportFormat::gtiff) GDALRegister_GTiff();
  if (format == ExportFormat::netcdf) GDALRegister_netCDF();
}

void end_gdal() {
  GDALDestroy();
}

std::string last_gdal_error(const std::string& otherwise) {
  const char* message = CPLGetLastErrorMsg();
  return message != nullptr && *message != '\0' ? std::string(message) : otherwise;
}

std::string crs_wkt(const std::string& text, std::string& wkt) {
  CPLSetErrorHandler(CPLQuietErrorHandler);
  CPLErrorReset();
  OGRSpatialReference srs;
  if (srs.SetFromUserInput(text.c_str()) != OGRERR_NONE)
    return last_gdal_error("GDAL does not know it as a coordinate reference system");
  char* exported = nullptr;
  const OGRErr error = srs.exportToWkt(&exported);
  if (error == OGRERR_NONE && exported != nullptr) wkt = exported;
  CPLFree(exported);
  return error == OGRERR_NONE ? "" : last_gdal_error("it cannot be written as WKT");
}

}  // namespace plaxen::exporting
