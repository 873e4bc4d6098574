// Formatted and list-directed output: items and format against the exact text written.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "recordio/e_field_text.h"
#include "recordio/recordio.h"
#include "tests/support/run_program.h"

namespace {

constexpr int out_unit = 21;
using item = std::variant<std::int32_t, float, std::string>;

struct output_case {
  std::string format;  // empty: list-directed
  std::vector<item> items;
  std::string expected;
};

void write_items(const std::vector<item>& items) {
  for (const item& i : items) {
    if (auto* n = std::get_if<std::int32_t>(&i)) recordio::write(*n);
    if (auto* f = std::get_if<float>(&i)) recordio::write(*f);
    if (auto* s = std::get_if<std::string>(&i)) recordio::write(std::string_view(*s));
  }
}

// Writes one statement to a fresh file and returns the file's text.
std::string written_text(const std::string& format, const std::vector<item>& items) {
  testsupport::scratch_dir dir;
  recordio::open(out_unit, (dir / "out.txt").string(), "unknown");
  if (format.empty())
    recordio::start_list_write(out_unit);
  else
    recordio::start_formatted_write(out_unit, format);
  write_items(items);
  recordio::end_write();
  recordio::close(out_unit);
  return dir.read("out.txt");
}

// For a case of one real item under the format (Ew.d): the field append_e_field gives.
void check_e_field(const output_case& c) {
  int width = 0;
  int digits = 0;
  char close = 0;
  const float* value = c.items.size() == 1 ? std::get_if<float>(&c.items[0]) : nullptr;
  if (value == nullptr ||
      std::sscanf(c.format.c_str(), "(%*1[eE]%d.%d%c", &width, &digits, &close) != 3 ||
      close != ')')
    return;
  std::string field;
  EXPECT_TRUE(recordio::append_e_field(field, *value, width, digits));
  EXPECT_EQ(field + "\n", c.expected) << "append_e_field";
}

void check(const std::vector<output_case>& cases) {
  for (const output_case& c : cases) {
    SCOPED_TRACE("format \"" + c.format + "\", " + std::to_string(c.items.size()) + " items");
    EXPECT_EQ(written_text(c.format, c.items), c.expected);
    check_e_field(c);
  }
}

const float inf = std::numeric_limits<float>::infinity();
const float nan = std::numeric_limits<float>::quiet_NaN();

TEST(RecordioFormattedOutput, ExponentFields) {
  check({
      {"(E15.7)", {123.4567f}, "  0.1234567E+03\n"},
      {"(E15.7)", {-999.0f}, " -0.9990000E+03\n"},
      {"(E15.7)", {0.0f}, "  0.0000000E+00\n"},
      {"(E15.7)", {-0.0f}, "  0.0000000E+00\n"},
      {"(E15.7)", {1.0e35f}, "  0.1000000E+36\n"},
      {"(E12.4)", {1.0e35f}, "  0.1000E+36\n"},
      {"(E12.4)", {-1.0e35f}, " -0.1000E+36\n"},
      {"(E15.4)", {2.5f}, "     0.2500E+01\n"},
      // Rounding by the conversion carries into the exponent.
      {"(E12.4)", {9.99999f}, "  0.1000E+02\n"},
      {"(E12.4)", {0.000123456f}, "  0.1235E-03\n"},
      // Extremes of single precision: the largest value and the smallest denormal.
      {"(E15.7)", {3.4028235e38f}, "  0.3402823E+39\n"},
      {"(E15.7)", {1.4e-45f}, "  0.1401298E-44\n"},
      // No room for the leading 0, then no room at all.
      {"(E9.4)", {1.0f}, ".1000E+01\n"},
      {"(E10.4)", {-1.0f}, "-.1000E+01\n"},
      {"(E9.4)", {-1.0f}, "*********\n"},
      {"(E1.1)", {5.0f}, "*\n"},
      // Values that are not numbers: the C library's text, right-justified.
      {"(E15.7)", {inf}, "            INF\n"},
      {"(E15.7)", {-inf}, "           -INF\n"},
      {"(E15.7)", {nan}, "            NAN\n"},
      {"(E15.7)", {-nan}, "            NAN\n"},
      {"(E3.1)", {-inf}, "***\n"},
      {"(e8.1)", {-5.0f}, "-0.5E+01\n"},
  });
  // Widths and digits that no format takes are refused, and nothing is appended.
  std::string text = "kept";
  EXPECT_FALSE(recordio::append_e_field(text, 1.0f, 0, 1));
  EXPECT_FALSE(recordio::append_e_field(text, 1.0f, 15, 0));
  EXPECT_FALSE(recordio::append_e_lines(text, {}, 0, 15, 7));
  EXPECT_EQ(text, "kept");
}

TEST(RecordioFormattedOutput, IntegerCharacterAndTextDescriptors) {
  check({
      {"(I5)", {42}, "   42\n"},
      {"(I3)", {-12}, "-12\n"},
      {"(I2)", {-12}, "**\n"},
      {"(I2)", {123}, "**\n"},
      {"(I11)", {std::numeric_limits<std::int32_t>::min()}, "-2147483648\n"},
      {"(i3,a2)", {7, std::string("xyz")}, "  7xy\n"},
      {"(A4)", {std::string("ab")}, "  ab\n"},
      {"(A)", {std::string("as is  ")}, "as is  \n"},
      {"('it''s',I3)", {5}, "it's  5\n"},
      {"(\"say \"\"hi\"\"\")", {}, "say \"hi\"\n"},
      {"(1X,29Hpoint out of range k,x,y,z = ,I5,3E15.4)",
       {12, 1.5f, -2.5f, 1.0e6f},
       " point out of range k,x,y,z =    12     0.1500E+01    -0.2500E+01     0.1000E+07\n"},
      {"(' data limits: xmin,xmax,ymin,ymax=',/,4E12.4)",
       {1.0f, 2.0f, -3.0f, 4.0f},
       " data limits: xmin,xmax,ymin,ymax=\n  0.1000E+01  0.2000E+01 -0.3000E+01  0.4000E+01\n"},
      {"(' enter name of file ... default extent = ',A4,':  ')",
       {std::string("bln ")},
       " enter name of file ... default extent = bln :  \n"},
      {"(' filename too long: ',A40,/,' process stopped in             subroutine getfname')",
       {std::string(40, 'n')},
       " filename too long: " + std::string(40, 'n') +
           "\n process stopped in             subroutine getfname\n"},
  });
}

TEST(RecordioFormattedOutput, SkipsSlashesEndOfItemsAndReversion) {
  check({
      // X writes blanks only when something follows in the same record.
      {"(I3,2X)", {1}, "  1\n"},
      {"(I3,2X,I3)", {1, 2}, "  1    2\n"},
      {"(I3,2X,/,I3)", {1, 2}, "  1\n  2\n"},
      {"(I2/I2)", {1, 2}, " 1\n 2\n"},
      // After the last item: text up to the next data descriptor is still written.
      {"(I3,' end')", {1}, "  1 end\n"},
      {"(I3,' a',I3,' b')", {1}, "  1 a\n"},
      {"(I3,' a',/)", {1}, "  1 a\n\n"},
      {"(3I3)", {1, 2}, "  1  2\n"},
      // Reversion: a new record, the pending X dropped, the format again from its start.
      {"(2I3,X)", {1, 2, 3, 4, 5}, "  1  2\n  3  4\n  5\n"},
      {"('<',I2,'>')", {1, 2}, "< 1>\n< 2>\n"},
      {"(' no items')", {}, " no items\n"},
  });
}

// The grid file format: 3000 fields a line, the rest on further lines, no trailing blank;
// and append_e_lines, which lays out the same text without a unit, against the write.
TEST(RecordioFormattedOutput, GridRowsOfManyFields) {
  struct row_case {
    int count;
    std::vector<float> cycle;  // the values, repeated to make `count`
  };
  const std::vector<float> missing = {-999.0f};
  const std::vector<float> mixed = {123.4567f, -0.0f, 1.0e35f, nan, inf, -inf, -1.4e-45f, 0.0f};
  const row_case rows[] = {
      {1, missing},    {2999, missing}, {3000, missing},  {3001, missing},
      {6000, missing}, {7000, missing}, {50000, missing}, {0, mixed},
      {3, mixed},      {3000, mixed},   {3001, mixed},    {7000, mixed},
  };
  for (const row_case& r : rows) {
    SCOPED_TRACE(std::to_string(r.count) + " items, " + std::to_string(r.cycle.size()) +
                 " values repeated");
    std::vector<float> values;
    for (int k = 0; k < r.count; ++k) values.push_back(r.cycle[std::size_t(k) % r.cycle.size()]);
    const std::string written = written_text("(3000e15.7,x)", {values.begin(), values.end()});
    std::string laid_out = "kept";
    EXPECT_TRUE(recordio::append_e_lines(laid_out, values, 3000, 15, 7));
    EXPECT_EQ(laid_out, "kept" + written);
    if (r.cycle == missing) {
      std::string expected;
      for (int left = r.count; left > 0; left -= 3000) {
        for (int i = 0; i < std::min(left, 3000); ++i) expected += " -0.9990000E+03";
        expected += '\n';
      }
      EXPECT_EQ(written, expected);
    }
  }
}

TEST(RecordioListOutput, IntegersCharactersAndTheEightyColumnRule) {
  check({
      {"", {100, 50}, " 100 50\n"},
      {"", {-5, 0}, " -5 0\n"},
      {"", {std::string(" too many matrix elements")}, "  too many matrix elements\n"},
      {"", {std::string("n ="), 7}, " n = 7\n"},
      {"", {}, "\n"},
      // Eight 9-digit integers fill 80 columns; a ninth would reach column 80: new record.
      {"", std::vector<item>(9, item(123456789)),
       std::string() + " 123456789 123456789 123456789 123456789 123456789 123456789 123456789" +
           " 123456789\n 123456789\n"},
      // A character item that would reach column 80 starts a record, after one blank.
      {"",
       {std::string(70, 'a'), std::string(8, 'b'), std::string(10, 'c')},
       " " + std::string(70, 'a') + std::string(8, 'b') + "\n " + std::string(10, 'c') + "\n"},
      {"",
       {std::string(70, 'a'), std::string(9, 'b')},
       " " + std::string(70, 'a') + "\n " + std::string(9, 'b') + "\n"},
      // (The text is appended: GCC 12 warns falsely on this sum of strings.)
      {"", {std::string(100, 'l'), 1}, std::string(" ").append(100, 'l').append("\n 1\n")},
  });
}

}  // namespace
