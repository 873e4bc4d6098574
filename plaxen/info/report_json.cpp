// The report as one JSON object, for scripts (tools/plotgrid among them).
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "plaxen/common/capacities.h"
#include "plaxen/common/number_text.h"
#include "plaxen/info/info_report.h"

namespace plaxen::info {
namespace {

// The length of the well-formed UTF-8 sequence that `s` starts with (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0 when it starts with none.
std::size_t utf8_sequence_length(std::string_view s) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const auto continues = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xbf) {
    return k < s.size() && byte(k) >= lo && byte(k) <= hi;
  };
  if (s.empty()) return 0;
  const unsigned lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) return continues(1) ? 2 : 0;
  if (lead >= 0xe0 && lead <= 0xef) {
    const unsigned lo = lead == 0xe0 ? 0xa0 : 0x80, hi = lead == 0xed ? 0x9f : 0xbf;
    return continues(1, lo, hi) && continues(2) ? 3 : 0;
  }
  if (lead >= 0xf0 && lead <= 0xf4) {
    const unsigned lo = lead == 0xf0 ? 0x90 : 0x80, hi = lead == 0xf4 ? 0x8f : 0xbf;
    return continues(1, lo, hi) && continues(2) && continues(3) ? 4 : 0;
  }
  return 0;
}

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

  // A JSON string of `s`. A byte that is not part of valid UTF-8 (a file name in another
  // encoding) is written as the escape \udcXX of the byte XX, as Python's surrogateescape
  // names it, so that the text stays valid UTF-8 and the name's bytes can be had back.
  static std::string quoted(std::string_view s) {
    std::string q = "\"";
    for (std::size_t k = 0; k < s.size();) {
      const auto c = static_cast<unsigned char>(s[k]);
      if (c == '"' || c == '\\') {
        q += '\\';
        q += s[k++];
      } else if (c < 0x20) {
        append_escape(q, "\\u00", c);
        ++k;
      } else if (const std::size_t n = utf8_sequence_length(s.substr(k)); n > 0) {
        q.append(s.substr(k, n));
        k += n;
      } else {
        append_escape(q, "\\udc", c);
        ++k;
      }
    }
    return q + '"';
  }

  // `prefix` and the byte `c` in two lower-case hex digits.
  static void append_escape(std::string& q, const char* prefix, unsigned char c) {
    static const char hex[] = "0123456789abcdef";
    q += prefix;
    q += hex[c >> 4];
    q += hex[c & 0xf];
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
