// Parsing plaxen-grid's command line.
#include "plaxen/grid/grid_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "plaxen/common/available_cores.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/engine/node_encoding.h"
#include "plaxen/export/export_format.h"

namespace plaxen::grid {
namespace {

constexpr std::string_view usage =
    "usage: plaxen-grid DATA OUTPUT (-n NX NY | -I DX[/DY]) [-R XMIN/XMAX/YMIN/YMAX] "
    "[options]\n";

// Splits "a/b/c" at its slashes.
std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// `count` numbers joined by `separator` ("0/10/0/5"), each a single real.
bool parse_singles(std::string_view text, char separator, std::size_t count, float* values) {
  const std::vector<std::string_view> parts = split(text, separator);
  if (parts.size() != count) return false;
  for (std::size_t k = 0; k < count; ++k)
    if (!parse_single(parts[k], values[k])) return false;
  return true;
}

// A positive decimal integer in the range of int.
bool parse_count(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() &&
         value >= low && value <= high;
}

void take_spacing(CommandLine& line, std::string_view text, GridOptions& o) {
  float d[2];
  if (parse_singles(text, '/', 1, d)) {
    o.grid.dx = o.grid.dy = d[0];
  } else if (parse_singles(text, '/', 2, d)) {
    o.grid.dx = d[0];
    o.grid.dy = d[1];
  } else {
    line.fail("-I takes DX or DX/DY, not '" + shown_text(text) + "'");
  }
}

void take_region(CommandLine& line, std::string_view text, GridOptions& o) {
  float r[4];
  if (!parse_singles(text, '/', 4, r))
    line.fail("-R takes XMIN/XMAX/YMIN/YMAX, not '" + shown_text(text) + "'");
  DataLimits region;
  region.xmin = r[0];
  region.xmax = r[1];
  region.ymin = r[2];
  region.ymax = r[3];
  o.grid.region = region;
}

void take_columns(CommandLine& line, std::string_view text, GridOptions& o) {
  const std::vector<std::string_view> parts = split(text, ',');
  std::int64_t c[3];
  const bool numbers = parts.size() == 3 && parse_count(parts[0], 1, 64, c[0]) &&
                       parse_count(parts[1], 1, 64, c[1]) && parse_count(parts[2], 1, 64, c[2]);
  if (!numbers || c[0] == c[1] || c[0] == c[2] || c[1] == c[2])
    line.fail("--columns takes three different field numbers from 1 to 64, X,Y,Z, not '" +
              shown_text(text) + "'");
  o.columns = {int(c[0]), int(c[1]), int(c[2])};
}

// An option given as "-R0/10/0/5" or "-R 0/10/0/5": its value.
std::string_view attached_or_next(CommandLine& line, std::string_view arg, std::string_view name) {
  return arg.size() > name.size() ? arg.substr(name.size()) : line.value_of(name);
}

// Takes option `arg` into `o`; false when `arg` is no option of plaxen-grid.
bool take_option(CommandLine& line, std::string_view arg, GridOptions& o) {
  std::int64_t n = 0;
  if (arg == "-n") {
    const std::string_view nx = line.value_of(arg);
    const std::string_view ny = line.value_of(arg);
    o.grid.size = GridSize{line.node_count("NX", nx), line.node_count("NY", ny)};
  } else if (arg.starts_with("-I")) {
    take_spacing(line, attached_or_next(line, arg, "-I"), o);
  } else if (arg.starts_with("-R")) {
    take_region(line, attached_or_next(line, arg, "-R"), o);
  } else if (arg == "-of") {
    o.format_name = std::string(line.value_of(arg));
  } else if (arg == "--a_srs") {
    o.crs = std::string(line.value_of(arg));
  } else if (exporting::take_label_option(line, arg, o.labels)) {
  } else if (arg == "--columns") {
    take_columns(line, line.value_of(arg), o);
  } else if (arg == "--skip-lines") {
    if (!parse_count(line.value_of(arg), 0, INT64_MAX, n))
      line.fail("--skip-lines takes a number of lines, 0 or more");
    o.skip_lines = n;
  } else if (arg == "--counts" || arg == "--residuals") {
    (arg == "--counts" ? o.counts : o.residuals) = std::string(line.value_of(arg));
  } else if (arg == "--threads") {
    if (!parse_count(line.value_of(arg), 1, 4096, n))
      line.fail("--threads takes a number of threads from 1 to 4096");
    o.threads = int(n);
  } else if (arg == "--json" || arg == "--quiet" || arg == "--low-memory") {
    (arg == "--json" ? o.json : arg == "--quiet" ? o.quiet : o.low_memory) = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool parse_single(std::string_view text, float& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  value = static_cast<float>(number);
  return true;
}

std::string_view grid_usage() {
  return usage;
}

std::string grid_help() {
  using exporting::driver_list;
  return std::string(usage) +
         "Grids the scattered x y value records of DATA with plaxen's own engine (the mean of\n"
         "the first " +
         std::to_string(engine::points_per_node) +
         " readings at each nearest node, one node step of range fill, relaxation\n"
         "with tension 3) onto a grid of any size, on every core, and writes it as OUTPUT.\n"
         "DATA is read with plaxen's rules, every record of it. With -n over the data limits\n"
         "the grid is the one plaxen would make if it had no capacities.\n"
         "\n"
         "  -n NX NY          nodes along x and y (at least 2 each), laid as plaxen lays them\n"
         "  -I DX[/DY]        the node spacing instead: NX = round((XMAX - XMIN)/DX) + 1, the\n"
         "                    grid starting at XMIN with DX as a single real\n"
         "  -R XMIN/XMAX/YMIN/YMAX  the region instead of the data limits\n"
         "  -of FORMAT        " +
         driver_list(exporting::FormatSet::grids, false, "or") +
         "; without it the extension of OUTPUT\n"
         "                    decides:\n" +
         exporting::format_help(exporting::FormatSet::grids, 20) +
         "  --a_srs CRS       the coordinate reference system (EPSG:32619, WKT, PROJ text);\n"
         "                    " +
         driver_list(exporting::FormatSet::grids, true) +
         " only (AAIGrid: in a .prj file beside it)\n" +
         exporting::label_help(exporting::FormatSet::grids, 2, 20) +
         "  --columns X,Y,Z   the fields of a record that hold x, y and the value (1,2,3)\n"
         "  --skip-lines N    header lines to skip before the records\n"
         "  --counts FILE     the number of readings on each node, as a raster of the grid's\n"
         "                    geometry (its format from its extension)\n"
         "  --residuals FILE  \"x y value residual\" of every reading, nan where the grid does "
         "not\n"
         "                    honour it (outside its nodes, beside an undefined node)\n"
         "  --json            the report as one JSON object on standard output\n"
         "  --quiet           no progress line\n"
         "  --threads N       threads to use (default: every core); results never depend on it\n"
         "  --low-memory      read DATA in passes, holding no records in memory\n"
         "  --help, --version\n"
         "\n"
         "The report goes to standard error. An existing OUTPUT is replaced whole once the new\n"
         "one is complete (a link: the file it names); a FIFO or device is written into; an\n"
         "output that is DATA is refused. Exit status 0 when every output is written; 1 with\n"
         "one line on standard error naming the problem, and no output.\n";
}

GridOptions parse_grid_options(CommandLine& line) {
  GridOptions o;
  std::vector<std::string_view> operands;
  while (!line.done()) {
    const std::string_view arg = line.next();
    if (arg == "--help") line.print_and_exit(grid_help());
    if (arg == "--version") line.print_and_exit("plaxen-grid " FIELDTOOLS_VERSION "\n");
    if (take_option(line, arg, o)) continue;
    if (CommandLine::is_option(arg)) line.fail_unknown_option(arg);
    operands.push_back(arg);
  }
  if (operands.size() != 2) line.fail(std::string(usage.substr(0, usage.size() - 1)));
  o.data = operands[0];
  o.output = operands[1];
  if (o.grid.size.has_value() == o.grid.dx.has_value())
    line.fail("give the grid either as -n NX NY or as -I DX[/DY]");
  if (o.threads == 0) o.threads = available_cores();
  return o;
}

}  // namespace plaxen::grid
