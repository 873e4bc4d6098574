// The raster formats plaxen-export writes through GDAL: GeoTIFF and netCDF.
#pragma once

#include <string>

#include "plaxen/export/export_grid.h"

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
// Needs the netCDF driver registered. Returns an empty string, or GDAL's message.
std::string write_netcdf(const std::string& path, const ExportGrid& grid, const std::string& wkt);

}  // namespace plaxen::exporting
