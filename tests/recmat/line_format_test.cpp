// Record line parsing against sscanf itself: the same count and the same bits, always.
#include "recmat/line_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const std::vector<const char*> formats = {
    "%f:%f:%f:%f:%f:%f",      "%f:%f:%f:%f",   "%*f %f N %f", "%f",
    "%f %f %f %*d %*d %f %f", "%f %f %f %f %f"};

// Parses `text` with scan_line and with sscanf and expects the same stored values.
void expect_as_sscanf(const char* format, const std::string& text) {
  recmat::line_values want{};
  int wanted =
      std::sscanf(text.c_str(), format, &want[0], &want[1], &want[2], &want[3], &want[4], &want[5]);
  if (wanted < 0) wanted = 0;
  recmat::line_values got{};
  ASSERT_EQ(recmat::scan_line(format, text.c_str(), got), wanted) << format << " on " << text;
  for (int i = 0; i < wanted; ++i) {
    const auto k = static_cast<std::size_t>(i);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got[k]), std::bit_cast<std::uint32_t>(want[k]))
        << format << " on \"" << text << "\", value " << i + 1 << ": " << got[k] << " instead of "
        << want[k];
  }
}

// Texts whose handling differs between the shortcut and sscanf's other paths, or whose
// rounding is delicate: halfway cases round to even, a digit beyond decides otherwise.
const std::vector<std::string> delicate_texts = {
    "1997:05:12:10:30:15.5",
    "0.1:0.2:0.3:-0:+0.0:00.50",
    "16777216:16777217:16777218:16777219",
    "8388609.5:8388610.5:8388609.5000000001:8388610.4999999999",
    "1.000000059604644775390625:1.0000000596046447753906250001",
    "0.00000000000000000000000000000000000000000001:340282356779733661637539395458142568448",
    "1e5:1E-3:0x1p-2:0X1.8P1:inf:-INFINITY",
    "nan:nan(123):NAN:-nan",
    "1.:.5:-.5:+:-:.",
    "1e:1e+:1ex:0x:0xg",
    "  \t12.5 :3",
    "\r1997:05",
    "7 : 8",
    "1,5:2,5",
    "12345678901234567890:1",
    "4512.3 58.25 N 11.125",
    "4512.3 58.25N11.125",
    "4512.3 58.25 n 11.125",
    "4512.3 N 11",
    "1 2 3 4 5 6 7",
    "1 2 3 4.5 5 6 7",
    "1 2 3 -4 +5 6.5e1 7",
    "1 2 3 99999999999999999999 5 6 7",
    "19\t20\n21\v22\f23 24",
    "",
    " ",
    "N",
    ":",
    "1:2:3:4:5:6:7:8",
    "0.9999999999:9.999999999"};

TEST(ScanLine, StoresWhatSscanfStoresOnDelicateTexts) {
  for (const char* format : formats)
    for (const std::string& text : delicate_texts) expect_as_sscanf(format, text);
}

// A random line of plain numbers, numbers of other kinds and separators, as a log damaged
// or written by other software might hold.
std::string random_line(std::mt19937& random) {
  auto pick = [&](std::size_t n) { return random() % n; };
  auto add_digits = [&](std::string& to, std::size_t most) {
    for (std::size_t i = pick(most) + 1; i > 0; --i) to += static_cast<char>('0' + pick(10));
  };
  static const std::vector<std::string> separators = {":",   " ", ":",  " ", "  ", "\t",
                                                      " N ", "N", "\r", "x", ""};
  static const std::vector<std::string> oddities = {"inf", "nan", "0x1p3", ".",
                                                    "-",   "1.",  ".5",    "e"};
  std::string line = pick(4) == 0 ? " " : "";
  for (std::size_t tokens = pick(9) + 1; tokens > 0 && line.size() < 99; --tokens) {
    const std::size_t kind = pick(10);
    if (kind < 8) {  // plain: [sign] digits [. digits]
      if (pick(3) == 0) line += pick(2) == 0 ? '-' : '+';
      add_digits(line, pick(3) == 0 ? 12 : 5);
      if (pick(2) == 0) {
        line += '.';
        add_digits(line, pick(3) == 0 ? 12 : 4);
      }
    } else if (kind < 9) {  // with an exponent
      add_digits(line, 3);
      line += '.';
      add_digits(line, 3);
      line += pick(2) == 0 ? "e-" : "E";
      add_digits(line, 2);
    } else {
      line += oddities[pick(oddities.size())];
    }
    line += separators[pick(separators.size())];
  }
  return line.substr(0, 99);
}

TEST(ScanLine, StoresWhatSscanfStoresOnRandomLines) {
  std::mt19937 random(1997);
  int plain = 0;
  const int lines = 20000;
  for (int i = 0; i < lines; ++i) {
    const std::string text = random_line(random);
    for (const char* format : formats) {
      expect_as_sscanf(format, text);
      recmat::line_values values{};
      int count = 0;
      if (recmat::detail::scan_plain(format, text.c_str(), values, count) && count > 0) ++plain;
    }
    if (HasFailure()) break;
  }
  // The comparison means something only if the shortcut took a fair share of the lines.
  EXPECT_GT(plain, lines * static_cast<int>(formats.size()) / 4);
}

}  // namespace
