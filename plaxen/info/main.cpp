// plaxen-info: what plaxen will make of a data file, before gridding it.
//
//   plaxen-info DATA [NX NY] [--json]
//
// Loads DATA with plaxen's own loader and reports the records, the exact limits and the
// value range; with NX NY, plaxen's geometry, checks and counts for that grid; without,
// a grid size for the data. An unreadable record is named by its line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/common/command_line.h"
#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/engine/node_encoding.h"
#include "plaxen/info/info_report.h"

namespace {

constexpr std::string_view usage = "usage: plaxen-info DATA [NX NY] [--json]\n";

std::string help() {
  return "Tells what plaxen will make of the data file DATA, read with plaxen's own rules: the\n"
         "number of records, the data limits and the value range, printed so that they read\n"
         "back to the same single-precision values. With NX NY: the grid plaxen lays (dx, dy\n"
         "and the last node, as stored and as placed), the nodes that will hold data, the\n"
         "readings it drops beyond " +
         std::to_string(plaxen::engine::points_per_node) +
         " on a node or finds out of range, readings of exactly\n"
         "-999.0, and whether plaxen accepts the job. Without them: a grid size of at most\n" +
         std::to_string(plaxen::max_nodes) +
         " nodes with cells as square as the data allow.\n"
         "\n"
         "  --json     print the same as one JSON object\n"
         "  --help     print this text\n"
         "  --version  print the version\n"
         "\n"
         "Exit status 0 with the report; 1 with one line on standard error naming the problem\n"
         "(an unreadable record by its line number and text).\n";
}

struct Options {
  std::string data;
  std::optional<plaxen::GridSize> size;
  bool json = false;
};

Options parse(plaxen::CommandLine& line) {
  Options options;
  std::vector<std::string_view> operands;
  while (!line.done()) {
    const std::string_view arg = line.next();
    if (arg == "--help") {
      line.print_and_exit(std::string(usage).append(help()));
    } else if (arg == "--version") {
      line.print_and_exit("plaxen-info " FIELDTOOLS_VERSION "\n");
    } else if (arg == "--json") {
      options.json = true;
    } else if (plaxen::CommandLine::is_option(arg)) {
      line.fail_unknown_option(arg);
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.empty() || operands.size() == 2 || operands.size() > 3)
    line.fail(operands.size() == 2 ? "give both NX and NY, or neither; see plaxen-info --help"
                                   : std::string(usage.substr(0, usage.size() - 1)));
  options.data = operands[0];
  if (operands.size() == 3)
    options.size =
        plaxen::GridSize{line.node_count("NX", operands[1]), line.node_count("NY", operands[2])};
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  plaxen::CommandLine line("plaxen-info", argc, argv);
  const Options options = parse(line);
  const plaxen::DataFile file = plaxen::load_data_file(options.data);
  if (!file.problem.empty()) line.fail(plaxen::shown_text(file.name) + ": " + file.problem);
  const plaxen::info::InfoReport report = plaxen::info::make_report(file, options.size);
  line.print_report(options.json ? plaxen::info::report_json(report)
                                 : plaxen::info::report_text(report));
  return 0;
}
