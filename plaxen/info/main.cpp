// plaxen-info: what plaxen will make of a data file, before gridding it.
//
//   plaxen-info DATA [NX NY] [--json]
//
// Loads DATA with plaxen's own loader and reports the records, the exact limits and the
// value range; with NX NY, plaxen's geometry, checks and counts for that grid; without,
// a grid size for the data. An unreadable record is named by its line.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plaxen/common/data_file.h"
#include "plaxen/common/grid_size.h"
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

[[noreturn]] void fail(const std::string& line) {
  std::fprintf(stderr, "plaxen-info: %s\n", line.c_str());
  std::exit(1);
}

void print(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    fail(std::string("cannot write the report: ") + std::strerror(errno));
}

std::int32_t node_count(std::string_view name, std::string_view text) {
  std::int32_t count = 0;
  if (!plaxen::parse_node_count(text, count))
    fail(std::string(name) + " must be an integer, not '" + std::string(text) + "'");
  return count;
}

Options parse(int argc, char** argv) {
  Options options;
  std::vector<std::string_view> operands;
  for (int k = 1; k < argc; ++k) {
    const std::string_view arg = argv[k];
    if (arg == "--help") {
      print(std::string(usage).append(help));
      std::exit(0);
    } else if (arg == "--version") {
      print("plaxen-info " FIELDTOOLS_VERSION "\n");
      std::exit(0);
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      fail("unknown option '" + std::string(arg) + "'; see plaxen-info --help");
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.empty() || operands.size() == 2 || operands.size() > 3)
    fail(operands.size() == 2 ? "give both NX and NY, or neither; see plaxen-info --help"
                              : std::string(usage.substr(0, usage.size() - 1)));
  options.data = operands[0];
  if (operands.size() == 3)
    options.size = plaxen::GridSize{node_count("NX", operands[1]), node_count("NY", operands[2])};
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  const plaxen::DataFile file = plaxen::load_data_file(options.data);
  if (!file.problem.empty()) fail(file.name + ": " + file.problem);
  const plaxen::info::InfoReport report = plaxen::info::make_report(file, options.size);
  print(options.json ? plaxen::info::report_json(report) : plaxen::info::report_text(report));
  return 0;
}
