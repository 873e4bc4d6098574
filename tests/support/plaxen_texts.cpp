// Expected texts of plaxen's runs, written independently of the program's formatter: grid
// files from the decimal digits of exactly representable values.
#include "tests/support/plaxen_texts.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace testsupport {

std::string io_report(const std::string& tag_and_message, const std::string& unit,
                      const std::string& format, const std::string& direction) {
  std::string text = tag_and_message + "\napparent state: unit " + unit + "\n";
  if (!format.empty()) text += "last format: " + format + "\n";
  return text + "lately " + direction + " sequential formatted external IO\n";
}

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
      if (i > 0 && i % plaxen::grid_values_per_line == 0) text += '\n';
      text += e15_7(row[i]);
    }
    text += '\n';
  }
  return text;
}

std::string all_undefined(int nx, int ny) {
  return grid_file(std::vector<std::vector<double>>(
      std::size_t(ny), std::vector<double>(std::size_t(nx), undefined_node)));
}

std::string four_points_grid() {
  std::vector<std::vector<double>> rows(6, std::vector<double>(11, undefined_node));
  rows[0][0] = rows[0][1] = rows[1][0] = 1.0;
  rows[0][10] = rows[0][9] = rows[1][10] = 2.0;
  rows[5][0] = rows[5][1] = rows[4][0] = 3.0;
  rows[5][10] = rows[5][9] = rows[4][10] = 4.0;
  return grid_file(rows);
}

}  // namespace testsupport
