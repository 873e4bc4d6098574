// plaxen-grid: plaxen's exact engine without plaxen's capacities, driven by options, on
// every core.
//
//   plaxen-grid DATA OUTPUT (-n NX NY | -I DX[/DY]) [-R XMIN/XMAX/YMIN/YMAX] [options]
//
// Reads DATA with plaxen's list-directed rules, grids every record as plaxen grids them and
// writes OUTPUT in the format its extension or -of names; reports on standard error (or as
// JSON on standard output).
#include <cstdio>
#include <string>

#include "plaxen/common/command_line.h"
#include "plaxen/common/output_file.h"
#include "plaxen/grid/grid_options.h"
#include "plaxen/grid/grid_run.h"
#include "plaxen/grid/run_report.h"

int main(int argc, char** argv) {
  plaxen::ignore_file_size_signal();
  plaxen::CommandLine line("plaxen-grid", argc, argv);
  const plaxen::grid::GridOptions options = plaxen::grid::parse_grid_options(line);
  plaxen::grid::RunReport report;
  // Returning, not exiting: the run's objects remove their temporary files first.
  if (const std::string problem = plaxen::grid::run_grid(options, report); !problem.empty())
    return line.failure(problem);
  const std::string text =
      options.json ? plaxen::grid::run_report_json(report) : plaxen::grid::run_report_text(report);
  std::FILE* to = options.json ? stdout : stderr;
  const bool written =
      std::fwrite(text.data(), 1, text.size(), to) == text.size() && std::fflush(to) == 0;
  return written || !options.json ? 0 : 1;
}
