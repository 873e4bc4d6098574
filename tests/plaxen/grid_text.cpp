// Expected grid-file text for the end-to-end tests, written independently of the program's
// formatter: from the decimal digits of exactly representable values.
#include "tests/plaxen/grid_text.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace testsupport {

std::string e15_7(double value) {
  if (value == 0.0) return "  0.0000000E+00";
  // Scale the magnitude into [0.1, 1) and keep seven digits; the test values are exact.
  double magnitude = std::fabs(value);
  int exponent = 0;
  while (magnitude >= 1.0) magnitude /= 10.0, ++exponent;
  while (magnitude < 0.1) magnitude *= 10.0, --exponent;
  const long digits = std::lround(magnitude * 1e7);
  if (digits >= 10000000) throw std::logic_error("value needs rounding: not a test value");
  char field[48];
  std::snprintf(field, sizeof field, "%s0.%07ldE%c%02d", value < 0 ? "-" : "", digits,
                exponent < 0 ? '-' : '+', std::abs(exponent));
  std::string text(field);
  return std::string(15 - text.size(), ' ') + text;
}

std::string grid_file(const std::vector<std::vector<double>>& rows) {
  std::string text;
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0 && i % 3000 == 0) text += '\n';
      text += e15_7(row[i]);
    }
    text += '\n';
  }
  return text;
}

}  // namespace testsupport
