// The run report as text lines and as JSON.
#include "plaxen/grid/run_report.h"

#include <algorithm>
#include <cstdio>

#include "plaxen/common/json_object.h"
#include "plaxen/common/number_text.h"
#include "plaxen/common/shown_text.h"

namespace plaxen::grid {
namespace {

constexpr std::size_t label_width = 13;  // "residuals:  " and the value column after it

void line(std::string& out, std::string_view label, const std::string& value) {
  std::string head = std::string(label) + ":";
  head.resize(std::max(head.size() + 1, label_width), ' ');
  out += head + value + "\n";
}

std::string count(std::int64_t n) {
  return std::to_string(n);
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", s);
  return text;
}

std::string limits_text(const DataLimits& l) {
  return "x " + exact_text(l.xmin) + " to " + exact_text(l.xmax) + ", y " + exact_text(l.ymin) +
         " to " + exact_text(l.ymax);
}

// A statistic as people read it: six significant digits (the JSON report has them all).
std::string statistic(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string residual_text(const RunReport& r) {
  const ResidualSums& s = r.residuals;
  if (s.count == 0) return "none: no reading lies among four defined nodes";
  std::string where = "reading " + count(s.largest_at + 1);
  if (r.largest_line > 0) where += ", line " + count(r.largest_line);
  return count(s.count) + " readings, mean " + statistic(s.mean()) + ", rms " + statistic(s.rms()) +
         ", largest " + statistic(s.largest) + " (" + where + ")";
}

}  // namespace

std::string run_report_text(const RunReport& r) {
  std::string out;
  line(out, "data file", shown_text(r.data_name, r.data_name.size()));
  line(out, "records", count(r.records) + (r.passes ? " (read in passes)" : ""));
  line(out, "limits", limits_text(r.limits));
  if (r.region) line(out, "region", limits_text(*r.region));
  line(out, "values",
       r.records == 0 ? "none" : exact_text(r.value_min) + " to " + exact_text(r.value_max));
  const GridGeometry& g = r.geometry;
  line(out, "grid",
       count(r.size.nx) + " x " + count(r.size.ny) + " = " + count(r.nodes()) + " nodes, dx " +
           exact_text(g.dx) + ", dy " + exact_text(g.dy));
  line(out, "nodes",
       count(r.data_nodes) + " with data, " + count(r.defined_nodes) + " defined, " +
           count(r.nodes() - r.defined_nodes) + " undefined");
  line(out, "readings",
       count(r.dropped) + " beyond the first 20 on a node, " + count(r.outside) +
           " outside the grid");
  line(out, "residuals", residual_text(r));
  line(out, "time",
       "read " + seconds(r.read_seconds) + ", grid " + seconds(r.grid_seconds) + ", residuals " +
           seconds(r.residual_seconds) + ", write " + seconds(r.write_seconds) + " (" +
           count(r.threads) + (r.threads == 1 ? " thread)" : " threads)"));
  for (const std::string& w : r.written) line(out, "wrote", shown_text(w, w.size()));
  return out;
}

std::string run_report_json(const RunReport& r) {
  std::string out;
  {
    JsonObject o(out);
    o.text("data_file", r.data_name);
    o.integer("records", r.records);
    o.boolean("passes", r.passes);
    write_limits(o.member("limits"), r.limits);
    if (r.region)
      write_limits(o.member("region"), *r.region);
    else
      o.null("region");
    {
      JsonObject v(o.member("values"));
      v.number("min", r.value_min);
      v.number("max", r.value_max);
    }
    {
      JsonObject g(o.member("grid"));
      g.integer("nx", r.size.nx);
      g.integer("ny", r.size.ny);
      g.integer("nodes", r.nodes());
      g.number("xmin", r.geometry.xmin);
      g.number("ymin", r.geometry.ymin);
      g.number("xmax", r.geometry.xmax);
      g.number("ymax", r.geometry.ymax);
      g.number("dx", r.geometry.dx);
      g.number("dy", r.geometry.dy);
      g.integer("data_nodes", r.data_nodes);
      g.integer("defined_nodes", r.defined_nodes);
      g.integer("undefined_nodes", r.nodes() - r.defined_nodes);
      g.integer("sweeps", r.sweeps);
    }
    o.integer("dropped_readings", r.dropped);
    o.integer("outside_readings", r.outside);
    {
      JsonObject s(o.member("residuals"));
      s.integer("count", r.residuals.count);
      if (r.residuals.count > 0) {
        s.number("mean", r.residuals.mean());
        s.number("rms", r.residuals.rms());
        s.number("largest", r.residuals.largest);
        s.integer("largest_reading", r.residuals.largest_at + 1);
        if (r.largest_line > 0)
          s.integer("largest_line", r.largest_line);
        else
          s.null("largest_line");
      }
    }
    {
      JsonObject t(o.member("seconds"));
      t.number("read", r.read_seconds);
      t.number("grid", r.grid_seconds);
      t.number("residuals", r.residual_seconds);
      t.number("write", r.write_seconds);
    }
    o.integer("threads", r.threads);
    std::string& files = o.member("written");
    files += '[';
    for (std::size_t k = 0; k < r.written.size(); ++k) {
      if (k > 0) files += ',';
      files += JsonObject::quoted(r.written[k]);
    }
    files += ']';
  }
  return out + "\n";
}

}  // namespace plaxen::grid
