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

// The format of OUTPUT: the driver named with -of when given, else the one its extension
// calls for. None, with `problem` set to one line, when neither names one.
std::optional<ExportFormat> choose_format(std::optional<std::string_view> driver,
                                          std::string_view output, std::string& problem);

// Why `format` cannot take a coordinate reference system given with --a_srs (a line built
// from the format table), or an empty string.
std::string crs_refusal(ExportFormat format);

// What to export where: OUTPUT as given, its format, the reference system as given with
// --a_srs (empty: none) and as WKT.
struct ExportRequest {
  std::string output;
  ExportFormat format;
  std::string crs;
  std::string wkt;
};

// Writes `grid` as the request says, through an OutputFile (see output_file.h: inputs are
// refused, an existing file is replaced whole, a FIFO or device written into when the
// format allows it). With a reference system, a GDAL format must read it back as asked,
// or the export is refused; a stale OUTPUT.aux.xml of GDAL's, which would override what
// the new file says, is removed once the new file is in place. Needs `gdal` for the
// formats that need GDAL. Returns an empty string, or one line naming the problem ("OUTPUT:
// ..." for the file's own problems), and then leaves no OUTPUT and no temporary file.
std::string export_grid_file(const ExportRequest& request, const ExportGrid& grid,
                             const GdalWriter* gdal, std::span<const InputFile> inputs);

}  // namespace plaxen::exporting
