// The raster formats plaxen-export writes through GDAL: GeoTIFF and netCDF.
#pragma once

#include <string>

#include "plaxen/export/export_grid.h"
#include "plaxen/export/grid_labels.h"

namespace plaxen::exporting {

// Writes `grid` as a single-band float32 GeoTIFF, tiled and DEFLATE compressed (level 1), with the
// geotransform of export_grid.h, undefined nodes as NaN declared the band's nodata value,
// and the coordinate reference system `wkt` when it is not empty. Its blocks are compressed
// on `threads` threads; the file is the same byte for byte whatever their number. Needs
// the GTiff driver registered. Returns an empty string, or GDAL's message for the failure.
std::string write_geotiff(const std::string& path, const ExportGrid& grid, const std::string& wkt,
                          int threads);

// Writes `grid` as a CF netCDF file: coordinate variables x and y (double, one per node,
// y increasing) holding exactly node_x(i) and node_y(j), and the float variable z(y, x)
// with NaN as its _FillValue; with `wkt`, its grid mapping. Nodes are grid-line registered,
// so GMT reads the region xmin..xmax, ymin..ymax and the increments dx, dy as they stand.
// x and y carry units: with `wkt` its linear unit ("m"; "ft", "US_survey_foot", else
// "F m" for a unit of F metres), degrees_east and degrees_north for a geographic system;
// without, labels.xy_units. z carries labels.z_name as its long_name and labels.z_units.
// Needs the netCDF driver registered. Returns an empty string, or GDAL's message.
std::string write_netcdf(const std::string& path, const ExportGrid& grid, const std::string& wkt,
                         const GridLabels& labels);

}  // namespace plaxen::exporting
