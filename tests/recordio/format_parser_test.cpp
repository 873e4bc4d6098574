// Format texts: the descriptors they give and the reasons malformed ones are refused.
#include "recordio/format_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using recordio::detail::edit_kind;
using recordio::detail::parsed_format;

// Each descriptor as a short text: T<text>, X<n>, /, or <repeat><letter><width>.<digits>.
std::string describe(const parsed_format& f) {
  std::string out;
  for (const auto& d : f.descriptors()) {
    if (!out.empty()) out += ' ';
    if (d.kind == edit_kind::text) out.append("T<").append(f.text(d)).append(">");
    if (d.kind == edit_kind::skip) out.append("X").append(std::to_string(d.width));
    if (d.kind == edit_kind::slash) out.append("/");
    if (d.kind == edit_kind::data) {
      out.append(std::to_string(d.repeat)).append(1, d.letter).append(std::to_string(d.width));
      out.append(".").append(std::to_string(d.digits));
    }
  }
  return out;
}

TEST(RecordioFormatParser, DescriptorsAndRefusals) {
  struct format_case {
    std::string format;
    std::string expected;  // the descriptors, or the reason for refusing the format
  };
  const format_case cases[] = {
      {"(3000e15.7,x)", "3000E15.7 X1"},
      {"(1X,29Hpoint out of range k,x,y,z = ,I5,3E15.4)",
       "X1 T<point out of range k,x,y,z = > 1I5.0 3E15.4"},
      {"(' data limits: xmin,xmax,ymin,ymax=',/,4E12.4)",
       "T< data limits: xmin,xmax,ymin,ymax=> / 4E12.4"},
      {"  ( 1 A 8 0 )", "1A80.0"},
      {"('it''s'2/a)", "T<it's> / / 1A0.0"},
      {"(I5", "format ends without its closing parenthesis"},
      {"I5)", "format does not start with a parenthesis"},
      {"('open)", "unterminated text in format"},
      {"(5Habc)", "H text runs past the end of the format"},
      {"(2(I3))", "groups in parentheses are not supported in formats"},
      {"(F10.3)", "unknown edit descriptor in format"},
      {"(E15)", "missing digits in E edit descriptor"},
      {"(E15.0)", "missing digits in E edit descriptor"},
      {"(I)", "missing field width in format"},
      {"(0I5)", "zero count in format"},
      {"(999999999I5)", "count too large in format"},
      {"(100001X)", "count too large in format"},
      {"(I100001)", "field width too large in format"},
      {"(E20.1001)", "too many digits in E edit descriptor"},
  };
  for (const format_case& c : cases) {
    SCOPED_TRACE(c.format);
    parsed_format f;
    const recordio::detail::error_kind why = f.parse(c.format);
    const std::string_view reason = recordio::detail::describe(why).message;
    EXPECT_EQ(why != recordio::detail::error_kind::none ? std::string(reason) : describe(f),
              c.expected);
  }
}

}  // namespace
