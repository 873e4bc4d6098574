// The residuals file of plaxen-grid: "x y value residual" a line for every reading, in file
// order, every number the shortest text that reads back to it ("nan" where the grid does
// not honour the reading: outside its nodes or beside an undefined one).
#pragma once

#include <cstdio>
#include <string>

#include "plaxen/engine/worker_team.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/grid/point_store.h"

namespace plaxen::grid {

class ResidualFile {
 public:
  // Writes to `path` (an OutputFile's write path), opened now; problem() says why not.
  // The lines are laid out on the members of `team`, which must outlive the file.
  ResidualFile(const std::string& path, const exporting::ExportGrid& grid,
               engine::worker_team& team);
  ~ResidualFile();
  ResidualFile(const ResidualFile&) = delete;
  ResidualFile& operator=(const ResidualFile&) = delete;

  // The lines of the readings of `run`, the next ones in file order, laid out on the threads
  // and written in order.
  void take(const RecordRun& run);
  // Closes the file; returns an empty string, or the first system error text.
  std::string close();

 private:
  const exporting::ExportGrid& grid_;
  engine::worker_team& team_;
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

}  // namespace plaxen::grid
