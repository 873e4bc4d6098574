// Driver registration, error capture and the end of GDAL for one export.
#include "plaxen/export/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>
#include <gdal_frmts.h>
#include <ogr_spatialref.h>

#include <cerrno>

namespace plaxen::exporting {

namespace {

// errno when GDAL reported its first failure: a write refused by the system (a full disk, a
// file-size limit) reaches GDAL's handler before anything else touches errno.
thread_local int failure_errno = 0;

void CPL_STDCALL keep_quiet(CPLErr type, CPLErrorNum, const char*) {
  if (type >= CE_Failure && failure_errno == 0) failure_errno = errno;
}

}  // namespace

int system_error_of_failure() {
  const int error = failure_errno;
  failure_errno = 0;
  return error;
}

void start_gdal() {
  CPLSetErrorHandler(keep_quiet);
  CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
  GDALRegister_GTiff();
  GDALRegister_netCDF();
}

void end_gdal() {
  GDALDestroy();
}

std::string last_gdal_error(const std::string& otherwise) {
  const char* message = CPLGetLastErrorMsg();
  std::string line = message != nullptr ? message : "";
  line = line.substr(0, line.find_first_of("\r\n"));
  // "netcdf error #28 : No space left on device ." and "... at (./frmts/...,567)"
  if (const std::size_t at = line.find(" at ("); at != std::string::npos) line.resize(at);
  while (!line.empty() && (line.back() == ' ' || line.back() == '.')) line.pop_back();
  return line.empty() ? otherwise : line;
}

namespace {

// Whether `got` is the system `wanted`: the same system, whatever the names and whatever
// the order of a geographic system's axes.
bool same_system(const OGRSpatialReference& got, const OGRSpatialReference& wanted) {
  const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES",
                                 "CRITERION=EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS", nullptr};
  return got.IsSame(&wanted, options);
}

}  // namespace

std::string check_crs_read_back(const std::string& path, const char* driver,
                                const std::string& wkt) {
  OGRSpatialReference wanted;
  if (wanted.importFromWkt(wkt.c_str()) != OGRERR_NONE) return "GDAL cannot read it back";
  const char* const drivers[] = {driver, nullptr};
  GDALDatasetH dataset =
      GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr);
  const OGRSpatialReference* got =
      dataset == nullptr ? nullptr : OGRSpatialReference::FromHandle(GDALGetSpatialRef(dataset));
  const bool same = got != nullptr && same_system(*got, wanted);
  if (dataset != nullptr) GDALClose(dataset);
  return same ? "" : std::string(driver) + " cannot hold this coordinate reference system";
}

std::string crs_wkt(const std::string& text, std::string& wkt) {
  CPLSetErrorHandler(keep_quiet);
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

std::string esri_wkt(const std::string& wkt, std::string& esri) {
  CPLErrorReset();
  const std::string lost = "AAIGrid cannot hold this coordinate reference system";
  OGRSpatialReference wanted;
  if (wanted.importFromWkt(wkt.c_str()) != OGRERR_NONE) return lost;
  // As GDAL's own ESRI ASCII writer puts it in the .prj.
  char* exported = nullptr;
  const char* const options[] = {"FORMAT=WKT1_ESRI", nullptr};
  const OGRErr error = wanted.exportToWkt(&exported, options);
  const std::string text = error == OGRERR_NONE && exported != nullptr ? exported : "";
  CPLFree(exported);
  // As GDAL's reader takes it back from the .prj.
  OGRSpatialReference read_back;
  char* lines[] = {const_cast<char*>(text.c_str()), nullptr};
  if (text.empty() || read_back.importFromESRI(lines) != OGRERR_NONE ||
      !same_system(read_back, wanted))
    return lost;
  esri = text;
  return {};
}

}  // namespace plaxen::exporting
