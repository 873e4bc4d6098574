// The report as one JSON object, for scripts (tools/plotgrid among them).
#include <string>

#include "plaxen/common/capacities.h"
#include "plaxen/common/json_object.h"
#include "plaxen/info/info_report.h"

namespace plaxen::info {
namespace {

using json_object = JsonObject;

void census_members(json_object& o, const GridReport& g, const GridCensus& c) {
  const std::int64_t nodes = std::int64_t{g.size.nx} * g.size.ny;
  o.integer("data_nodes", c.data_nodes);
  o.integer("defined_nodes", c.defined_nodes);
  o.integer("undefined_nodes", nodes - c.defined_nodes);
  o.integer("dropped_readings", c.dropped);
  o.integer("out_of_range_readings", c.out_of_range);
  o.integer("missing_value_nodes", nodes - c.defined_nodes + c.defined_at_missing_value);
  o.integer("defined_missing_value_nodes", c.defined_at_missing_value);
}

void size_members(json_object& o, const GridSize& size) {
  o.integer("nx", size.nx);
  o.integer("ny", size.ny);
  o.integer("nodes", std::int64_t{size.nx} * size.ny);
}

void grid_object(std::string& out, const GridReport& g) {
  json_object o(out);
  size_members(o, g.size);
  o.integer("max_nodes", max_nodes);
  o.boolean("accepted", g.refusal.empty());
  if (g.refusal.empty())
    o.null("refusal");
  else
    o.text("refusal", g.refusal);
  o.number("xmin", g.geometry.xmin);
  o.number("ymin", g.geometry.ymin);
  // The rest of the geometry exists once the spacing could be derived (nx, ny >= 2).
  for (const auto& [key, value] : {std::pair{"xmax", g.geometry.xmax},
                                   {"ymax", g.geometry.ymax},
                                   {"dx", g.geometry.dx},
                                   {"dy", g.geometry.dy}}) {
    if (g.spacing_known)
      o.number(key, value);
    else
      o.null(key);
  }
  // Node (nx, ny) where the exports place it, in double; xmax and ymax are it rounded.
  if (g.spacing_known) {
    o.number("last_node_x", node_x(g.geometry, g.size.nx));
    o.number("last_node_y", node_y(g.geometry, g.size.ny));
  } else {
    o.null("last_node_x");
    o.null("last_node_y");
  }
  if (g.census) census_members(o, g, *g.census);
  o.integer("missing_value_readings", g.missing_value_readings);
  o.number("value_span", g.value_span);
  o.boolean("value_span_accepted", g.span_accepted);
}

void suggestion_object(std::string& out, const GridSuggestion& s) {
  json_object o(out);
  size_members(o, s.size);
  o.number("dx", s.dx);
  o.number("dy", s.dy);
}

}  // namespace

std::string report_json(const InfoReport& r) {
  std::string out;
  {
    json_object o(out);
    o.text("data_file", r.data_name);
    o.integer("records", r.records);
    o.boolean("records_ignored", r.records_ignored);
    // No records: plaxen grids no data, and every node of its grid is undefined.
    o.boolean("grids_no_data", r.records == 0);
    write_limits(o.member("limits"), r.limits);
    if (r.records == 0) {
      o.null("values");
    } else {
      json_object values(o.member("values"));
      values.number("min", r.value_min);
      values.number("max", r.value_max);
    }
    if (r.grid) {
      grid_object(o.member("grid"), *r.grid);
    } else if (r.suggestion.size.nx == 0) {
      o.null("suggested_grid");
      o.text("no_suggestion", r.suggestion.reason);
    } else {
      suggestion_object(o.member("suggested_grid"), r.suggestion);
    }
  }
  return out + "\n";
}

}  // namespace plaxen::info
