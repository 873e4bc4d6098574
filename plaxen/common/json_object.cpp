// JSON members and strings.
#include "plaxen/common/json_object.h"

#include <cmath>

#include "plaxen/common/number_text.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/common/shown_text.h"

namespace plaxen {

void JsonObject::number(std::string_view key, float value) {
  raw(key, std::isfinite(value) ? exact_text(value) : quoted(exact_text(value)));
}

void JsonObject::number(std::string_view key, double value) {
  raw(key, std::isfinite(value) ? exact_text(value) : quoted(exact_text(value)));
}

void JsonObject::raw(std::string_view key, std::string_view value) {
  if (!first_) out_ += ',';
  first_ = false;
  out_ += quoted(key);
  out_ += ':';
  out_ += value;
}

std::string JsonObject::quoted(std::string_view s) {
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

void write_limits(std::string& out, const DataLimits& limits) {
  JsonObject o(out);
  o.number("xmin", limits.xmin);
  o.number("xmax", limits.xmax);
  o.number("ymin", limits.ymin);
  o.number("ymax", limits.ymax);
}

}  // namespace plaxen
