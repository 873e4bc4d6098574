// plaxen-info: what plaxen will make of a data file, before gridding it.
//
//   plaxen-info DATA [NX NY] [--json]
//
// Loads DATA with plaxen's own loader and reports the records, the exact limits and the
// value range; with NX NY, plaxen's geometry, checks and counts for that grid; without,
// a grid size for the data. An unreadable record is named by its line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plaxen/common/command_line.h"
#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/info/info_report.h"

namespace {

constexpr std::string_view usage = "usage: plaxen-info DATA [NX NY] [--json]\n";

constexpr std::string_view help =
    "Tells what plaxen will make of the data file DATA, read with plaxen's own rules: the\n"
    "number of records, the data limits and the value range, printed so that they read back\n"
    "to the same single-precision values. With NX NY: the grid plaxen lays (dx, dy and the\n"
    "last node), the nodes that will hold data, the readings it drops beyond 20 on a node or\n"
    "finds out of range, readings of exactly -999.0, and whether plaxen accepts the job.\n"
    "Without them: a grid size of at most 50000 nodes with cells as square as the data allow.\n"
    "\n"
    "  --json     print the same as one JSON object\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "\n"
    "Exit status 0 with the report; 1 with one line on standard error naming the problem\n"
    "(an unreadable record by its line number and text).\n";

struct Options {
  std::string data;
  std::optional<plaxen::GridSize> size;
  bool json = false;
};

void print(const plaxen::CommandLine& line, std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    line.fail(std::string("cannot write the report: ") + std::strerror(errno));
}

Options parse(plaxen::CommandLine& line) {
  Options options;
  std::vector<std::string_view> operands;
  while (!line.done()) {
    const std::string_view arg = line.next();
    if (arg == "--help") {
      line.print_and_exit(std::string(usage).append(help));
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
  print(line, options.json ? plaxen::info::report_json(report) : plaxen::info::report_text(report));
  return 0;
}
