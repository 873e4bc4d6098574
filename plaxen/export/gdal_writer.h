// The GDAL-backed half of plaxen-export: the raster writers and the reference-system check,
// built as a module of their own (plaxen-export-gdal.so) that the program loads at run time
// (gdal_writer_loading.h). Its one exported function hands out this table.
#pragma once

#include <string>

#include "plaxen/export/export_grid.h"
#include "plaxen/export/grid_labels.h"

namespace plaxen::exporting {

// The functions of gdal_session.h and raster_writers.h, as the module holds them.
struct GdalWriter {
  void (*start_gdal)();
  std::string (*crs_wkt)(const std::string& text, std::string& wkt);
  std::string (*check_crs_read_back)(const std::string& path, const char* driver,
                                     const std::string& wkt);
  std::string (*write_geotiff)(const std::string& path, const ExportGrid& grid,
                               const std::string& wkt, int threads);
  std::string (*write_netcdf)(const std::string& path, const ExportGrid& grid,
                              const std::string& wkt, const GridLabels& labels);
  std::string (*esri_wkt)(const std::string& wkt, std::string& esri);
  void (*end_gdal)();
};

// The file name of the module, and the name of the function in it that returns its table.
inline constexpr char gdal_writer_module[] = "plaxen-export-gdal.so";
inline constexpr char gdal_writer_entry[] = "plaxen_export_gdal_writer";

}  // namespace plaxen::exporting

extern "C" const plaxen::exporting::GdalWriter* plaxen_export_gdal_writer();
