// One export to a file, as every program that exports does it: the format from -of or the
// extension, the reference systems it can hold, the output discipline, the writer, and the
// check that the file says what was asked.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "plaxen/common/output_file.h"
#include "plaxen/export/export_format.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/export/gdal_writer.h"

namespace plaxen::exporting {

// The format of OUTPUT among those of `set`: the driver named with -of when given, else the
// one its extension calls for. None, with `problem` set to one line, when neither names one.
std::optional<ExportFormat> choose_format(FormatSet set, std::optional<std::string_view> driver,
                                          std::string_view output, std::string& problem);

// Why `format` cannot take a coordinate reference system given with --a_srs (a line built
// from the format table), or an empty string.
std::string crs_refusal(FormatSet set, ExportFormat format);

// What to export where: OUTPUT as given, its format, the reference system as given with
// --a_srs (empty: none) and as WKT (filled once GDAL is loaded).
struct ExportRequest {
  std::string output;
  ExportFormat format;
  std::string crs;
  std::string wkt;
};

// One output of a run, prepared before the work and written after it.
class ExportTarget {
 public:
  // Prepares OUTPUT through an OutputFile (see output_file.h): an input of the run, a
  // directory, a FIFO or device for a format that seeks are refused now, before any work
  // is done; problem() then holds the one line ("OUTPUT: ...").
  ExportTarget(ExportRequest request, std::span<const InputFile> inputs);

  const std::string& problem() const { return problem_; }
  ExportRequest& request() { return request_; }
  const ExportRequest& request() const { return request_; }

  // Writes `grid` in the request's format, on up to `threads` threads, with its reference
  // system: a GDAL format must read it back as asked, or the export is refused (naming the
  // formats that can hold it). Needs `gdal` for the formats that need GDAL. Returns an
  // empty string, or one line; on failure (and when commit() is never called) nothing of
  // the new file remains and an older OUTPUT is as it was.
  std::string write(const ExportGrid& grid, const GdalWriter* gdal, int threads = 1);

  // Puts the written file in OUTPUT's place, and removes a stale OUTPUT.aux.xml of GDAL's,
  // which would override what the new file says. Returns an empty string, or one line.
  std::string commit();

 private:
  ExportRequest request_;
  OutputFile out_;
  std::string problem_;
};

}  // namespace plaxen::exporting
