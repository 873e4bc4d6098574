// GDAL for one export: the one driver it needs, errors kept as text, everything released.
#pragma once

#include <string>

namespace plaxen::exporting {

// Registers the GDAL drivers of the export formats only (registering them all costs
// start-up time), keeps GDAL's error messages from standard error (the last one is passed on
// in the export's own one-line report) and turns off GDAL's sidecar files (.aux.xml): what
// a file says is in the file. Once per process.
void start_gdal();

// Closes what GDAL holds (GDALDestroy); GDAL is not used after it.
void end_gdal();

// The system error (errno) at the moment GDAL reported its first failure since
// CPLErrorReset... or since the last call of this function, which forgets it; 0 when none.
int system_error_of_failure();

// The last error GDAL reported as one line (its first line, without the place in GDAL's
// sources some messages end with), or `otherwise` when it reported none.
std::string last_gdal_error(const std::string& otherwise);

// Whether the raster file `path`, opened with the GDAL driver `driver`, reads back with the
// coordinate reference system `wkt` (the same system; names may differ). Returns an empty
// string, or a line saying that `driver` cannot hold it.
std::string check_crs_read_back(const std::string& path, const char* driver,
                                const std::string& wkt);

// The coordinate reference system `text` names (any form GDAL accepts: "EPSG:32619", WKT,
// PROJ text) as WKT in `wkt`. Returns an empty string, or why it names none.
std::string crs_wkt(const std::string& text, std::string& wkt);

// The coordinate reference system `wkt` as the WKT of an ESRI .prj file, which GDAL and
// ESRI's programs read beside an ESRI ASCII grid, in `esri`. Returns an empty string, or
// "AAIGrid cannot hold this coordinate reference system" when that dialect cannot express
// it (what it reads back is not the same system).
std::string esri_wkt(const std::string& wkt, std::string& esri);

}  // namespace plaxen::exporting
