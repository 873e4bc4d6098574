// The line reader: buffer size, cut lines, line ends and the end of the log.
#include "recmat/log_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "recmat/fatal_error.h"
#include "tests/recmat/memory_log.h"
#include "tests/support/run_program.h"

namespace {

using recmat_test::log_holding;

struct reader_case {
  const char* name;
  std::string text;
  std::vector<std::string> lines;  // what successive reads store, up to the first NUL
  bool at_end_after_last;          // whether reading the last line already met the end
};

const std::string a98(98, 'a');
const std::string a99(99, 'a');

const std::vector<reader_case> reader_cases = {
    {"newline and carriage return", "ab\n\rcd\n\r", {"ab\n", "cd\n"}, false},
    {"two newlines", "ab\n\ncd\n\n", {"ab\n", "cd\n"}, false},
    {"bare newline keeps the next first character", "ab\ncd\n", {"ab\n", "cd\n"}, true},
    {"carriage return and newline", "ab\r\ncd\r\n", {"ab\r\n", "cd\r\n"}, true},
    {"no newline at the end", "ab\n\rcd", {"ab\n", "cd"}, true},
    {"empty lines", "\n\r\n\rx\n\r", {"\n", "\n", "x\n"}, false},
    {"98 characters and the newline fit", a98 + "\n\rz\n", {a98 + "\n", "z\n"}, true},
    {"99 characters: the newline is dropped", a99 + "\n\rz\n\r", {a99, "\rz\n"}, false},
    {"100 characters: the 100th is dropped", a99 + "b\n\rz\n\r", {a99, "\n", "z\n"}, false},
    {"a long line goes on in the next read",
     a99 + "b" + std::string(50, 'c') + "\n\r",
     {a99, std::string(50, 'c') + "\n"},
     false},
    {"NUL byte inside a line", std::string("a\0b\n\rcd\n\r", 9), {"a", "cd\n"}, false},
    {"empty log", "", {}, true},
};

TEST(LogReader, ReadsLinesAsTheBufferAndLineEndRulesSay) {
  for (const reader_case& c : reader_cases) {
    SCOPED_TRACE(c.name);
    recmat::log_reader log = log_holding(c.text);
    EXPECT_STREQ(log.line(), "");
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      SCOPED_TRACE("read " + std::to_string(i + 1));
      ASSERT_TRUE(log.read_line());
      EXPECT_EQ(log.line(), c.lines[i]);
      EXPECT_EQ(log.at_end(), i + 1 == c.lines.size() && c.at_end_after_last);
    }
    // A read at the end stores nothing: the buffer keeps the line read last.
    EXPECT_FALSE(log.read_line());
    EXPECT_EQ(log.line(), c.lines.empty() ? std::string() : c.lines.back());
    EXPECT_TRUE(log.at_end());
  }
}

TEST(LogReader, ReportsAReadErrorWithTheLogsName) {
  testsupport::scratch_dir dir;
  const std::string name = dir.path().string();
  std::FILE* stream = std::fopen(name.c_str(), "r");  // a directory opens, but cannot be read
  ASSERT_NE(stream, nullptr);
  recmat::log_reader log(stream, name);
  try {
    log.read_line();
    FAIL() << "no error";
  } catch (const recmat::fatal_error& error) {
    EXPECT_EQ(std::string(error.what()), "Error: Cannot read file " + name + "\n");
  }
}

}  // namespace
