// The text of Ew.d output fields and of lines of them, as formatted writes produce it.
#include "recordio/e_field_text.h"

#include <algorithm>

#include "recordio/edit_output.h"
#include "recordio/format_parser.h"

namespace recordio {
namespace {

bool valid_field(int width, int digits) {
  return width >= 1 && width <= detail::max_format_width && digits >= 1 &&
         digits <= detail::max_format_digits;
}

}  // namespace

bool append_e_field(std::string& out, float value, int width, int digits) {
  if (!valid_field(width, digits)) return false;
  detail::put_real_field(out, value, width, digits);
  return true;
}

bool append_e_lines(std::string& out, std::span<const float> values, int per_line, int width,
                    int digits) {
  if (!valid_field(width, digits) || per_line < 1 || per_line > detail::max_format_repeat)
    return false;
  const auto line = static_cast<std::size_t>(per_line);
  for (std::size_t first = 0; first < values.size(); first += line) {
    const std::size_t last = std::min(values.size(), first + line);
    for (std::size_t k = first; k < last; ++k)
      detail::put_real_field(out, values[k], width, digits);
    out.push_back('\n');
  }
  if (values.empty()) out.push_back('\n');
  return true;
}

}  // namespace recordio
