// The entry of the GDAL writer module: its table of functions.
#include "plaxen/export/gdal_session.h"
#include "plaxen/export/gdal_writer.h"
#include "plaxen/export/raster_writers.h"

extern "C" __attribute__((visibility("default"))) const plaxen::exporting::GdalWriter*
plaxen_export_gdal_writer() {
  using namespace plaxen::exporting;
  static constexpr GdalWriter writer{
      start_gdal, crs_wkt, check_crs_read_back, write_geotiff, write_netcdf, esri_wkt, end_gdal};
  return &writer;
}
