// The report as one JSON object, for scripts (tools/plotgrid among them).
#include <cmath>
#include <string>

#include "plaxen/common/capacities.h"
#include "plaxen/common/number_text.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/info/info_report.h"

namespace plaxen::info {
namespace {

// Writes the members of one object after another, commas between them.
class json_object {
 public:
  explicit json_object(std::string& out) : out_(out) { out_ += '{'; }
  ~json_object() { out_ += '}'; }
  json_object(const json_object&) = delete;
  json_object& operator=(const json_object&) = delete;

  // A single real as the exact text that reads back to it; one that is not finite as the
  // string "inf", "-inf" or "nan", which JSON has no number for.
  void number(std::string_view key, float value) {
    raw(key, std::isfinite(value) ? exact_text(value) : quoted(exact_text(value)));
  }
  void integer(std::string_view key, std::int64_t value) { raw(key, std::to_string(value)); }
  void boolean(std::string_view key, bool value) { raw(key, value ? "true" : "false"); }
  void text(std::string_view key, std::string_view value) { raw(key, quoted(value)); }
  void null(std::string_view key) { raw(key, "null"); }
  // Starts a member whose value the caller writes next (a nested object).
  std::string& member(std::string_view key) {
    raw(key, "");
    return out_;
  }

 private:
  void raw(std::string_view key, std::string_view value) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += quoted(key);
    out_ += ':';
    out_ += value;
  }

  // A JSON string of `s`, always valid UTF-8: quotes, backslashes and control characters
  // escaped; a byte that is not part of well-formed UTF-8 (a file name may hold any) as
  // \udcXX, XX its value, as Python's "surrogateescape" names such a byte, so that
  // os.fsencode() gives the bytes back.
  static std::string quoted(std::string_view s) {
    static const char hex[] = "0123456789abcdef";
    std::string q = "\"";
    while (!s.empty()) {
      const std::size_t length = utf8_character_length(s);
      const auto c = static_cast<unsigned char>(s.front());
      if (c == '"' || c == '\\') {
        q += '\\';
        q += static_cast<char>(c);
      } else if (length == 0 || c < 0x20) {
        q += length == 0 ? "\\udc" : "\\u00";
        q += hex[c >> 4];
        q += hex[c & 0xf];
      } else {
        q.append(s.substr(0, length));
      }
      s.remove_prefix(length == 0 ? 1 : length);
    }
    return q + '"';
  }

  std::string& out_;
  bool first_ = true;
};

void census_members(json_object& o, const GridReport& g, const GridCensus& c) {
  const std::int64_t nodes = std::int64_t{g.size.nx} * g.size.ny;
  o.integer("data_nodes", c.data_nodes);
  o.integer("defined_nodes", c.defined_nodes);
  o.integer("undefined_nodes", nodes - c.defined_nodes);
  o.integer("dropped_readings", c.dropped);
  o.integer("out_of_range_readings", c.out_of_range);
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
    {
      json_object limits(o.member("limits"));
      limits.number("xmin", r.limits.xmin);
      limits.number("xmax", r.limits.xmax);
      limits.number("ymin", r.limits.ymin);
      limits.number("ymax", r.limits.ymax);
    }
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
