// Reading a grid file with the geometry of its data file.
#include "plaxen/export/placed_grid_file.h"

#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_file_reader.h"
#include "plaxen/common/job_check.h"
#include "plaxen/common/shown_text.h"

namespace plaxen::exporting {

std::string read_placed_grid(const std::string& grid_path, const std::string& data_path,
                             const GridSize& size, std::span<float> z, GridGeometry& geometry,
                             std::int64_t& records) {
  const DataFile file = load_data_file(data_path);
  if (!file.problem.empty()) return shown_text(file.name) + ": " + file.problem;
  records = points.n;
  geometry = grid_geometry(file.load.limits, size);
  if (const std::string_view why = degenerate_geometry(points.n, file.load.limits, geometry);
      !why.empty())
    return shown_text(file.name) + ": " + std::string(why) + "; no grid can be placed on it";
  if (const std::string problem = read_grid_file(grid_path, size.nx, size.ny, z); !problem.empty())
    return shown_text(grid_path) + ": " + problem;
  return {};
}

}  // namespace plaxen::exporting
