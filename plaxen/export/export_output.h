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
#include "plaxen/export/grid_labels.h"

namespace plaxen::exporting {

// The format of OUTPUT among those of `set`: the driver named with -of when given, else the
// one its extension calls for. None, with `problem` set to one line, when neither names one.
std::optional<ExportFormat> choose_format(FormatSet set, std::optional<std::string_view> driver,
                                          std::string_view output, std::string& problem);

// Why `format` cannot take a coordinate reference system given with --a_srs (a line built
// from the format table), or an empty string.
std::string crs_refusal(FormatSet set, ExportFormat format);

// What to export where: OUTPUT as given, its format, the reference system as given with
// --a_srs (empty: none) and as WKT (filled once GDAL is loaded), and the names and units
// to write where the format has room for them.
struct ExportRequest {
  std::string output;
  ExportFormat format;
  std::string crs;
  std::string wkt;
  GridLabels labels;
};

// Whether writing `request` needs GDAL's writer module: its format is written through it,
// or it has a reference system, which GDAL resolves (and words for a .prj file).
bool needs_gdal(const ExportRequest& request);

// The file beside `output` that holds its reference system for a format whose row names a
// crs_file: `output` with its extension replaced by `extension`, as GDAL looks for it
// ("grid.asc" -> "grid.prj", "grid" -> "grid.prj", "dir.v2/grid" -> "dir.v2/grid.prj").
std::string crs_file_path(const std::string& output, std::string_view extension);

// One output of a run, prepared before the work and written after it.
class ExportTarget {
 public:
  // Prepares OUTPUT through an OutputFile (see output_file.h): an input of the run, a
  // directory, a FIFO or device for a format that seeks are refused now, before any work
  // is done; problem() then holds the one line ("OUTPUT: ..."). When the format keeps the
  // reference system in a file beside OUTPUT (a .prj) and the request has one, that file
  // is prepared the same way; refused too when OUTPUT is a FIFO or device, which has no
  // place beside it, or when it would be OUTPUT itself.
  ExportTarget(ExportRequest request, std::span<const InputFile> inputs);

  const std::string& problem() const { return problem_; }
  ExportRequest& request() { return request_; }
  const ExportRequest& request() const { return request_; }
  // The .prj written beside OUTPUT; empty when there is none.
  const std::string& crs_file() const { return crs_path_; }

  // Writes `grid` in the request's format, on up to `threads` threads, with its reference
  // system: a GDAL format must read it back as asked, or the export is refused (naming the
  // formats that can hold it). Needs `gdal` for the formats that need GDAL. Returns an
  // empty string, or one line; on failure (and when commit() is never called) nothing of
  // the new files remains and an older OUTPUT and .prj are as they were.
  std::string write(const ExportGrid& grid, const GdalWriter* gdal, int threads = 1);

  // Puts the written files in place, the .prj first, then OUTPUT, and removes a stale
  // OUTPUT.aux.xml of GDAL's, which would override what the new file says. Returns an
  // empty string, or one line.
  std::string commit();

 private:
  void prepare_crs_file(std::span<const InputFile> inputs);
  std::string write_crs_file(const ExportGrid& grid, const GdalWriter* gdal);

  ExportRequest request_;
  OutputFile out_;
  std::string crs_path_;               // the .prj beside OUTPUT, when one is written
  std::optional<OutputFile> crs_out_;  // and its output
  std::string problem_;
};

}  // namespace plaxen::exporting
