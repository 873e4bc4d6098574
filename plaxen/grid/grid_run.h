// One run of plaxen-grid: the data read, the grid laid and filled by the engine, its
// residuals, and every output written; the report of it all.
#pragma once

#include <string>

#include "plaxen/grid/grid_options.h"
#include "plaxen/grid/run_report.h"

namespace plaxen::grid {

// Runs the job of `options`. Returns an empty string with `report` filled, or the one line
// that names why the job failed; every output is then left as it was, and no temporary
// file remains. Outputs are refused before any work is done (an input, the same file
// twice, a FIFO for a format that seeks). Never exits the process.
std::string run_grid(const GridOptions& options, RunReport& report);

}  // namespace plaxen::grid
