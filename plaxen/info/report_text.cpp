// The report as the terminal shows it: one "label: value" line per fact.
#include <string>

#include "plaxen/common/capacities.h"
#include "plaxen/common/number_text.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/common/value_span.h"
#include "plaxen/engine/node_encoding.h"
#include "plaxen/info/info_report.h"

namespace plaxen::info {
namespace {

constexpr int label_width = 17;  // "nodes with data: " and the value column after it

void line(std::string& out, std::string_view label, const std::string& value) {
  std::string head = std::string(label) + ":";
  head.resize(std::max<std::size_t>(head.size() + 1, label_width), ' ');
  out += head + value + "\n";
}

std::string count(std::int64_t n) {
  return std::to_string(n);
}

std::string readings(std::int64_t n) {
  return count(n) + (n == 1 ? " reading" : " readings");
}

void data_lines(std::string& out, const InfoReport& r) {
  // The name as the terminal can show it: any control character or broken UTF-8 as '?'.
  line(out, "data file", shown_text(r.data_name, r.data_name.size()));
  line(out, "records",
       count(r.records) + (r.records_ignored ? " (the file holds more; plaxen ignores the rest)"
                           : r.records == 0 ? " (plaxen will grid no data: every node is undefined)"
                                            : ""));
  const DataLimits& l = r.limits;
  line(out, "x limits", exact_text(l.xmin) + " to " + exact_text(l.xmax));
  line(out, "y limits", exact_text(l.ymin) + " to " + exact_text(l.ymax));
  line(out, "values",
       r.records == 0 ? "none" : exact_text(r.value_min) + " to " + exact_text(r.value_max));
}

void census_lines(std::string& out, const GridReport& g, const GridCensus& c) {
  const std::int64_t nodes = std::int64_t{g.size.nx} * g.size.ny;
  line(out, "nodes with data", count(c.data_nodes));
  line(out, "defined nodes",
       count(c.defined_nodes) + " of " + count(nodes) + "; " + count(nodes - c.defined_nodes) +
           " undefined, written as -999.0");
  line(out, "dropped",
       readings(c.dropped) +
           (g.value_span == 0.0f && c.dropped > 0
                ? " (the values are all equal, so no node takes any)"
                : " beyond the first " + count(engine::points_per_node) + " on a node"));
  line(out, "out of range", readings(c.out_of_range));
  // What the grid file will show as -999.0: the undefined nodes and the defined nodes that
  // settle at exactly -999.0, which it cannot tell apart.
  const std::int64_t undefined = nodes - c.defined_nodes;
  line(out, "-999.0 nodes",
       count(undefined + c.defined_at_missing_value) + " in the grid file: " + count(undefined) +
           " undefined, " + count(c.defined_at_missing_value) + " defined at exactly -999.0");
}

// plaxen's verdict: the refusal it gives, or that it grids the job (with no data, when the
// file holds no records).
std::string verdict(const InfoReport& r, const GridReport& g) {
  if (!g.refusal.empty()) return "refuses this: " + g.refusal;
  return r.records == 0 ? "grids this with no data: every node is undefined" : "grids this";
}

void grid_lines(std::string& out, const InfoReport& r, const GridReport& g) {
  const std::int64_t nodes = std::int64_t{g.size.nx} * g.size.ny;
  line(out, "grid",
       count(g.size.nx) + " x " + count(g.size.ny) + " = " + count(nodes) +
           " nodes (plaxen takes at most " + count(max_nodes) + ")");
  if (g.spacing_known) {
    line(out, "dx, dy", exact_text(g.geometry.dx) + ", " + exact_text(g.geometry.dy));
    // The extent plaxen stores is the last node rounded to single precision; the exports
    // place that node where the interpolation does, in double (grid_geometry.h).
    line(out, "xmax, ymax",
         exact_text(g.geometry.xmax) + ", " + exact_text(g.geometry.ymax) +
             " (single precision, as plaxen stores them)");
    line(out, "last node",
         exact_text(node_x(g.geometry, g.size.nx)) + ", " +
             exact_text(node_y(g.geometry, g.size.ny)) + " (where the exports place it)");
  }
  if (g.census) census_lines(out, g, *g.census);
  line(out, "-999.0 values",
       readings(g.missing_value_readings) +
           " (the grid file cannot tell them from undefined nodes)");
  line(out, "value span",
       exact_text(g.value_span) + (g.span_accepted
                                       ? " (accepted: below " + exact_text(max_value_span) + ")"
                                       : " (refused: " + exact_text(max_value_span) + " or more)"));
  line(out, "plaxen", verdict(r, g));
}

void suggestion_line(std::string& out, const GridSuggestion& s) {
  if (s.size.nx == 0) {
    line(out, "suggested grid", "none: " + s.reason);
    return;
  }
  line(out, "suggested grid",
       count(s.size.nx) + " x " + count(s.size.ny) + " = " +
           count(std::int64_t{s.size.nx} * s.size.ny) + " nodes, dx " + exact_text(s.dx) + ", dy " +
           exact_text(s.dy));
}

}  // namespace

std::string report_text(const InfoReport& report) {
  std::string out;
  data_lines(out, report);
  if (report.grid)
    grid_lines(out, report, *report.grid);
  else
    suggestion_line(out, report.suggestion);
  return out;
}

}  // namespace plaxen::info
