// recmat's command line: the count conversion and the limits on ndatapts.
#include "recmat/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct count_case {
  const char* text;
  int value;
};

const std::vector<count_case> count_cases = {
    {"12", 12},
    {"  \t\n\v\f\r12", 12},
    {"+7", 7},
    {"-5", -5},
    {"12abc", 12},
    {"abc", 0},
    {"", 0},
    {"- 3", 0},
    {"+-3", 0},
    {"0x10", 0},
    {"1e3", 1},
    {"007", 7},
    {"2147483647", INT_MAX},
    {"2147483648", INT_MAX},
    {"99999999999999999999", INT_MAX},
    {"-2147483648", INT_MIN},
    {"-2147483649", INT_MIN},
    {"-99999999999999999999", INT_MIN},
};

TEST(ParseCount, ReadsLikeAtoiAndSaturatesOutOfRange) {
  for (const count_case& c : count_cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    EXPECT_EQ(recmat::parse_count(c.text), c.value);
  }
}

struct line_case {
  std::vector<const char*> argv;
  bool valid;
  int ndatapts;
  int stepsize;
};

const std::vector<line_case> line_cases = {
    {{"recmat"}, false, 0, 0},
    {{"recmat", "a.log", "5"}, false, 0, 0},
    {{"recmat", "a.log", "5", "1", "x"}, false, 0, 0},
    {{"recmat", "a.log", "5", "2"}, true, 5, 2},
    {{"recmat", "a.log", "50000", "-3"}, true, recmat::max_ndatapts, -3},
    {{"recmat", "a.log", "50001", "0"}, true, recmat::max_ndatapts, 0},
    {{"recmat", "a.log", "60000", "1"}, true, recmat::max_ndatapts, 1},
    {{"recmat", "a.log", "-7", "1"}, true, 0, 1},
    {{"recmat", "a.log", "abc", "x"}, true, 0, 0},
};

TEST(ParseCommandLine, NeedsThreeArgumentsAndBoundsNdatapts) {
  for (const line_case& c : line_cases) {
    std::string words;
    for (const char* w : c.argv) words += std::string(w) + " ";
    SCOPED_TRACE(words);
    const auto line = recmat::parse_command_line(static_cast<int>(c.argv.size()), c.argv.data());
    ASSERT_EQ(line.has_value(), c.valid);
    if (!line) continue;
    EXPECT_EQ(line->filename, "a.log");
    EXPECT_EQ(line->ndatapts, c.ndatapts);
    EXPECT_EQ(line->stepsize, c.stepsize);
  }
}

}  // namespace
