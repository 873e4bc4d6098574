// GeoTIFF through GDAL's raster API, netCDF through its multidimensional API, which writes
// the coordinate variables as given instead of deriving them from the geotransform.
#include "plaxen/export/raster_writers.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/export/gdal_session.h"

namespace plaxen::exporting {
namespace {

constexpr float no_value = std::numeric_limits<float>::quiet_NaN();

float raster_value(float value) {
  return is_undefined(value) ? no_value : value;
}

// Closes the dataset and tells whether GDAL reported a failure while writing or closing.
// The system's own words for a failed write (a full disk, a file-size limit) say more than
// GDAL's ("TIFFAppendToStrip: Write error at scanline ...").
std::string close_dataset(GDALDataset* dataset, const std::string& failure) {
  GDALClose(dataset);
  const int error = system_error_of_failure();
  if (CPLGetLastErrorType() != CE_Failure) return "";
  if (error == ENOSPC || error == EFBIG || error == EDQUOT || error == EIO)
    return std::strerror(error);
  return last_gdal_error(failure);
}

// The CRS of `wkt` with x (easting or longitude) first, as the rasters store their axes.
std::unique_ptr<OGRSpatialReference> spatial_reference(const std::string& wkt) {
  if (wkt.empty()) return nullptr;
  auto srs = std::make_unique<OGRSpatialReference>();
  if (srs->importFromWkt(wkt.c_str()) != OGRERR_NONE) return nullptr;
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

std::shared_ptr<GDALAttribute> text_attribute(GDALIHasAttribute& owner, const char* name,
                                              const std::string& value) {
  auto attribute = owner.CreateAttribute(name, {}, GDALExtendedDataType::CreateString());
  if (attribute) attribute->Write(value.c_str());
  return attribute;
}

void range_attribute(GDALIHasAttribute& owner, GDALDataType type, double low, double high) {
  auto attribute = owner.CreateAttribute("actual_range", {2}, GDALExtendedDataType::Create(type));
  const double range[2] = {low, high};
  if (attribute) attribute->Write(range, 2);
}

// What a coordinate variable says of its axis, so that readers take it for an axis of the
// map, with a reference system or without one.
struct AxisLabels {
  std::string long_name;
  std::string standard_name;
  std::string units;
};

// A linear unit as CF's units take it: "m", the feet by name, else the unit in metres.
std::string linear_units(const OGRSpatialReference& srs) {
  const double metres = srs.GetLinearUnits();
  if (metres == 1.0) return "m";
  if (metres == 0.3048) return "ft";
  // The US survey foot comes back from GDAL's text a unit in the last place off 1200/3937.
  if (std::fabs(metres - 1200.0 / 3937.0) <= 1e-15) return "US_survey_foot";
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, metres).ptr;
  return std::string(text, end) + " m";
}

// The labels of x (first) and y: of the reference system `srs` when there is one, else of
// plain coordinates in `xy_units`.
std::array<AxisLabels, 2> axis_labels(const OGRSpatialReference* srs, const std::string& xy_units) {
  if (srs == nullptr)
    return {AxisLabels{"x coordinate, as in the data file", "projection_x_coordinate", xy_units},
            AxisLabels{"y coordinate, as in the data file", "projection_y_coordinate", xy_units}};
  if (srs->IsGeographic())
    return {AxisLabels{"longitude", "longitude", "degrees_east"},
            AxisLabels{"latitude", "latitude", "degrees_north"}};
  const std::string units = linear_units(*srs);
  return {AxisLabels{"x coordinate of projection", "projection_x_coordinate", units},
          AxisLabels{"y coordinate of projection", "projection_y_coordinate", units}};
}

// One coordinate variable: `values` along `dimension`.
bool write_coordinate(GDALGroup& root, const std::shared_ptr<GDALDimension>& dimension,
                      const std::vector<double>& values, const AxisLabels& labels) {
  auto variable = root.CreateMDArray(dimension->GetName(), {dimension},
                                     GDALExtendedDataType::Create(GDT_Float64));
  if (!variable) return false;
  const GUInt64 start = 0;
  const size_t count = values.size();
  if (!variable->Write(&start, &count, nullptr, nullptr, GDALExtendedDataType::Create(GDT_Float64),
                       values.data()))
    return false;
  const bool x = dimension->GetType() == GDAL_DIM_TYPE_HORIZONTAL_X;
  text_attribute(*variable, "long_name", labels.long_name);
  text_attribute(*variable, "standard_name", labels.standard_name);
  text_attribute(*variable, "units", labels.units);
  text_attribute(*variable, "axis", x ? "X" : "Y");
  range_attribute(*variable, GDT_Float64, values.front(), values.back());
  return true;
}

// A scalar variable "crs" whose attributes crs_wkt and spatial_ref hold `srs` as WKT, named
// by z's grid_mapping attribute.
bool write_wkt_mapping(GDALGroup& root, GDALMDArray& z, const OGRSpatialReference& srs) {
  char* wkt = nullptr;
  const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
  if (srs.exportToWkt(&wkt, options) != OGRERR_NONE) {
    CPLFree(wkt);
    return false;
  }
  const std::string text = wkt;
  CPLFree(wkt);
  auto crs = root.CreateMDArray("crs", {}, GDALExtendedDataType::Create(GDT_Int32));
  return crs && text_attribute(*crs, "crs_wkt", text) &&
         text_attribute(*crs, "spatial_ref", text) && text_attribute(z, "grid_mapping", "crs");
}

// The node values as the z variable holds them: row y = ymin first, undefined as NaN.
bool write_values(GDALGroup& root, const std::shared_ptr<GDALDimension>& y,
                  const std::shared_ptr<GDALDimension>& x, const ExportGrid& grid,
                  const OGRSpatialReference* srs, const GridLabels& labels) {
  auto z = root.CreateMDArray("z", {y, x}, GDALExtendedDataType::Create(GDT_Float32));
  if (!z || !z->SetNoDataValue(double(no_value))) return false;
  std::vector<float> values(std::size_t(grid.size.nx) * std::size_t(grid.size.ny));
  for (std::int32_t j = 1; j <= grid.size.ny; ++j)
    for (std::int32_t i = 1; i <= grid.size.nx; ++i)
      values[std::size_t(j - 1) * std::size_t(grid.size.nx) + std::size_t(i - 1)] =
          raster_value(grid.at(i, j));
  const GUInt64 start[2] = {0, 0};
  const size_t count[2] = {size_t(grid.size.ny), size_t(grid.size.nx)};
  if (!z->Write(start, count, nullptr, nullptr, GDALExtendedDataType::Create(GDT_Float32),
                values.data()))
    return false;
  text_attribute(*z, "long_name", labels.z_name);
  text_attribute(*z, "units", labels.z_units);
  float low = std::numeric_limits<float>::infinity();
  float high = -low;
  for (const float v : values)
    if (!std::isnan(v)) low = std::min(low, v), high = std::max(high, v);
  if (low <= high) range_attribute(*z, GDT_Float32, low, high);
  if (srs != nullptr) {
    OGRSpatialReference mapped(*srs);
    mapped.SetDataAxisToSRSAxisMapping({2, 1});  // easting along z's second dimension, x
    // A system the CF grid mappings cannot express is held by a grid mapping variable of its
    // own that carries the WKT, as GDAL writes it and reads it back.
    if (!z->SetSpatialRef(&mapped)) {
      CPLErrorReset();
      if (!write_wkt_mapping(root, *z, *srs)) return false;
    }
  }
  return true;
}

std::vector<double> node_coordinates(std::int32_t count,
                                     double (*at)(const GridGeometry&, std::int32_t),
                                     const GridGeometry& geometry) {
  std::vector<double> values(static_cast<std::size_t>(count));
  for (std::int32_t k = 1; k <= count; ++k) values[std::size_t(k - 1)] = at(geometry, k);
  return values;
}

// The tile of `width` by `height` cells whose top-left cell is raster column `left`, row
// `top`. Rows north first: raster row r holds grid row j = ny - r. The part of an edge
// tile beyond the raster holds no value. Bands of 16 rows, column by column: the nodes
// of a column lie together in the grid's usual layout, and the band's 16 lines of the tile
// stay in the cache while the columns go by.
void fill_tile(const ExportGrid& grid, std::int64_t left, std::int64_t top, std::int64_t width,
               std::int64_t height, float* tile) {
  const std::int64_t columns = std::min(width, std::int64_t{grid.size.nx} - left);
  const std::int64_t rows = std::min(height, std::int64_t{grid.size.ny} - top);
  if (columns < width || rows < height) std::fill_n(tile, width * height, no_value);
  const auto down = std::ptrdiff_t(grid.y_stride != 0 ? grid.y_stride : std::size_t(grid.size.nx));
  constexpr std::int64_t band = 16;
  for (std::int64_t first = 0; first < rows; first += band) {
    const std::int64_t last = std::min(rows, first + band);
    const auto j = std::int32_t(grid.size.ny - top - first);  // the grid row of raster row `first`
    for (std::int64_t c = 0; c < columns; ++c) {
      const float* node = grid.z.data() + grid.index(std::int32_t(left + c + 1), j);
      for (std::int64_t r = first; r < last; ++r, node -= down)
        tile[r * width + c] = raster_value(*node);
    }
  }
}

// The grid into `band`, tile by tile: each tile is filled whole in one buffer and handed to
// GDAL, which compresses it on its threads as it comes, and no cache holds the raster.
// Stops at the first tile GDAL cannot take.
void write_tiles(GDALRasterBand& band, const ExportGrid& grid) {
  int width = 0, height = 0;
  band.GetBlockSize(&width, &height);
  // Positions in 64 bits: an edge tile reaches past the last node.
  const std::int64_t nx = grid.size.nx, ny = grid.size.ny;
  std::vector<float> tile(std::size_t(width) * std::size_t(height));
  for (std::int64_t top = 0; top < ny; top += height)
    for (std::int64_t left = 0; left < nx; left += width) {
      fill_tile(grid, left, top, width, height, tile.data());
      if (band.WriteBlock(int(left / width), int(top / height), tile.data()) != CE_None) return;
    }
}

}  // namespace

std::string write_geotiff(const std::string& path, const ExportGrid& grid, const std::string& wkt,
                          int threads) {
  CPLErrorReset();
  (void)system_error_of_failure();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (driver == nullptr) return "GDAL has no GTiff driver";
  CPLStringList options;
  options.SetNameValue("TILED", "YES");
  options.SetNameValue("COMPRESS", "DEFLATE");
  // The fastest level: half the time of GDAL's default for a file about 7% larger.
  options.SetNameValue("ZLEVEL", "1");
  // No more compressing threads than tiles: a raster of one tile is compressed as it is
  // written, with no threads to start and wait for. GDAL's tiles are 256 x 256.
  const std::int64_t tiles =
      (std::int64_t{grid.size.nx} + 255) / 256 * ((std::int64_t{grid.size.ny} + 255) / 256);
  const std::int64_t compressing = std::clamp<std::int64_t>(tiles, 1, std::max(threads, 1));
  options.SetNameValue("NUM_THREADS", std::to_string(compressing).c_str());
  GDALDataset* dataset =
      driver->Create(path.c_str(), grid.size.nx, grid.size.ny, 1, GDT_Float32, options.List());
  if (dataset == nullptr) return last_gdal_error("cannot create it");
  std::array<double, 6> placement = geotransform(grid);
  dataset->SetGeoTransform(placement.data());
  if (const auto srs = spatial_reference(wkt)) dataset->SetSpatialRef(srs.get());
  GDALRasterBand* band = dataset->GetRasterBand(1);
  band->SetNoDataValue(double(no_value));
  write_tiles(*band, grid);
  return close_dataset(dataset, "cannot write it");
}

std::string write_netcdf(const std::string& path, const ExportGrid& grid, const std::string& wkt,
                         const GridLabels& labels) {
  CPLErrorReset();
  (void)system_error_of_failure();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("netCDF");
  if (driver == nullptr) return "GDAL has no netCDF driver";
  // The classic format: every netCDF reader takes it, and GDAL knows it by its content
  // whatever the file's extension (a netCDF-4 file is HDF5 inside, and taken for that).
  CPLStringList options;
  options.SetNameValue("FORMAT", "NC");
  GDALDataset* dataset = driver->CreateMultiDimensional(path.c_str(), nullptr, options.List());
  if (dataset == nullptr) return last_gdal_error("cannot create it");
  bool written = false;
  {
    const std::shared_ptr<GDALGroup> root = dataset->GetRootGroup();
    const auto y =
        root->CreateDimension("y", GDAL_DIM_TYPE_HORIZONTAL_Y, "NORTH", GUInt64(grid.size.ny));
    const auto x =
        root->CreateDimension("x", GDAL_DIM_TYPE_HORIZONTAL_X, "EAST", GUInt64(grid.size.nx));
    const auto srs = spatial_reference(wkt);
    const std::array<AxisLabels, 2> axes = axis_labels(srs.get(), labels.xy_units);
    written = x && y && text_attribute(*root, "Conventions", "CF-1.7") &&
              text_attribute(*root, "title", "plaxen grid") &&
              write_coordinate(*root, x, node_coordinates(grid.size.nx, node_x, grid.geometry),
                               axes[0]) &&
              write_coordinate(*root, y, node_coordinates(grid.size.ny, node_y, grid.geometry),
                               axes[1]) &&
              write_values(*root, y, x, grid, srs.get(), labels);
  }
  const std::string failure = close_dataset(dataset, "cannot write it");
  return written || !failure.empty() ? failure : last_gdal_error("cannot write it");
}

}  // namespace plaxen::exporting
