// OPEN, CLOSE and formatted input: files found, created, kept and cut, and A fields read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recordio/recordio.h"
#include "tests/support/run_program.h"

namespace {

constexpr int unit_a = 22;
// Where a test checks what its reads leave behind rather than their statuses, the statuses
// are cast to void.

// What a row does with the unit once it is open; returns what it read.
std::string read_integer(int unit) {
  std::int32_t n = 0;
  (void)recordio::start_list_read(unit, recordio::end_exit::yes);
  (void)recordio::read(n);
  (void)recordio::end_read();
  return std::to_string(n);
}
std::string write_three(int unit) {
  recordio::start_list_write(unit);
  recordio::write(std::int32_t{3});
  recordio::end_write();
  return "";
}
std::string read_a8_then_write(int unit) {
  char line[8];
  (void)recordio::start_formatted_read(unit, "(A8)");
  (void)recordio::read(std::span<char>(line, 8));
  (void)recordio::end_read();
  recordio::start_formatted_write(unit, "('new')");
  recordio::end_write();
  return std::string(line, 8);
}
std::string nothing(int) {
  return "";
}

// One OPEN a row: the file before (none: missing), the name's trailing blanks, the status,
// what the unit does before CLOSE, and the file after: created, kept, or cut where the last
// write left it.
TEST(RecordioOpen, FilesFoundCreatedKeptAndCut) {
  struct Row {
    const char* what;
    std::optional<std::string> before;
    const char* status;
    std::string (*then)(int unit);
    std::string read;  // what `then` read
    std::string after;
    int trailing_blanks = 0;
    bool read_only = false;
  };
  const std::string kept = "12 content\nmore\n";
  const Row rows[] = {
      {"unknown creates a missing file", std::nullopt, "UNKNOWN", nothing, "", ""},
      {"unknown truncates nothing", kept, "unknown", nothing, "", kept},
      {"a file only read is not cut", kept, "old", read_integer, "12", kept},
      {"a file last written is cut at its position", std::string(5000, 'x') + "\n", "unknown",
       write_three, "", " 3\n"},
      {"writing after reading goes on where reading stopped", "line one\nline two\nline three\n",
       "old", read_a8_then_write, "line one", "line one\nnew\n"},
      {"trailing blanks of the name are dropped", "5\n", "old", read_integer, "5", "5\n", 30},
      {"a read-only file is opened for reading", "7\n", "old", read_integer, "7", "7\n", 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    testsupport::scratch_dir dir;
    if (r.before) dir.write("f.txt", *r.before);
    if (r.read_only) chmod((dir / "f.txt").c_str(), 0444);
    recordio::open(unit_a,
                   (dir / "f.txt").string() + std::string(std::size_t(r.trailing_blanks), ' '),
                   r.status);
    EXPECT_EQ(r.then(unit_a), r.read);
    recordio::close(unit_a);
    EXPECT_EQ(dir.read("f.txt"), r.after);
  }
}

// One A field read per statement: line text against the item's characters.
TEST(RecordioFormattedInput, CharacterFields) {
  struct field_case {
    std::string input;
    std::string format;
    std::size_t length;
    std::vector<std::string> expected;  // one statement per entry
  };
  const std::string long_line(100, 'q');
  const field_case cases[] = {
      {"abcde\n", "(1A80)", 80, {"abcde" + std::string(75, ' ')}},
      {long_line + "\nnext\n", "(1A80)", 80, {std::string(80, 'q'), "next" + std::string(76, ' ')}},
      {"\nb\n", "(A4)", 4, {"    ", "b   "}},
      // A field complete before the end of the file: the missing newline does not matter.
      {std::string(40, 'n'), "(A40)", 40, {std::string(40, 'n')}},
      {"name and more", "(A4)", 4, {"name"}},
      {"tab\there \r\n", "(a10)", 10, {"tab\there \r"}},
      // A width above the item's length keeps the field's last characters.
      {"abcdefgh\n", "(A6)", 4, {"cdef"}},
      {"abcdefgh\n", "(A2)", 4, {"ab  "}},
      {"abcdefgh\n", "(A)", 4, {"abcd"}},
      {"ab\ncd\n", "(A1,/,A1)", 1, {"a"}},
  };
  for (const field_case& c : cases) {
    SCOPED_TRACE("input \"" + c.input + "\" format " + c.format);
    testsupport::scratch_dir dir;
    recordio::open(unit_a, dir.write("in.txt", c.input).string(), "old");
    for (const std::string& want : c.expected) {
      std::string item(c.length, '#');
      EXPECT_EQ(recordio::start_formatted_read(unit_a, c.format), 0);
      EXPECT_EQ(recordio::read(std::span<char>(item.data(), item.size())), 0);
      EXPECT_EQ(recordio::end_read(), 0);
      EXPECT_EQ(item, want);
    }
    recordio::close(unit_a);
  }
}

TEST(RecordioFormattedInput, SecondFieldAndStatementsAfterASlash) {
  testsupport::scratch_dir dir;
  recordio::open(unit_a, dir.write("in.txt", "ab\ncd\nef\n").string(), "old");
  char first = 0, second = 0, third = 0;
  (void)recordio::start_formatted_read(unit_a, "(A1,/,A1)");
  (void)recordio::read(std::span<char>(&first, 1));
  (void)recordio::read(std::span<char>(&second, 1));
  (void)recordio::end_read();
  (void)recordio::start_formatted_read(unit_a, "(A1)");
  (void)recordio::read(std::span<char>(&third, 1));
  (void)recordio::end_read();
  recordio::close(unit_a);
  EXPECT_EQ(std::string({first, second, third}), "ace");
}

// With an END exit a formatted read that finds no record at all returns the END status, and
// so does a field that the end of the file cuts: it keeps what it read, blank-padded.
TEST(RecordioFormattedInput, EndExitOnAMissingRecordOrACutField) {
  testsupport::scratch_dir dir;
  recordio::open(unit_a, dir.write("in.txt", "only\nab").string(), "old");
  std::string item(4, '#');
  std::span<char> field(item.data(), item.size());
  EXPECT_EQ(recordio::start_formatted_read(unit_a, "(A4)", recordio::end_exit::yes), 0);
  EXPECT_EQ(recordio::read(field), 0);
  EXPECT_EQ(recordio::end_read(), 0);
  EXPECT_EQ(recordio::start_formatted_read(unit_a, "(A4)", recordio::end_exit::yes), 0);
  EXPECT_EQ(recordio::read(field), -1);
  EXPECT_EQ(item, "ab  ");
  EXPECT_EQ(recordio::end_read(), 0);
  EXPECT_EQ(recordio::start_formatted_read(unit_a, "(A4)", recordio::end_exit::yes), -1);
  recordio::close(unit_a);

  recordio::open(unit_a, dir.write("empty.txt", "").string(), "old");
  item = "####";
  EXPECT_EQ(recordio::start_formatted_read(unit_a, "(A4)", recordio::end_exit::yes), 0);
  EXPECT_EQ(recordio::read(field), -1);
  EXPECT_EQ(item, "####");
  EXPECT_EQ(recordio::end_read(), 0);
  recordio::close(unit_a);
}

// A carriage return that no newline follows is noticed wherever it lies: at a chunk boundary
// of the layer's read-ahead (judged by the next chunk) and at the end of the file.
TEST(RecordioOpen, CarriageReturnsThatNoNewlineFollows) {
  const std::string chunk(std::size_t{1} << 20, ' ');  // the layer reads 1 MB at a time
  struct cr_case {
    std::string name;
    std::string input;
    bool expected;
  };
  const cr_case cases[] = {
      {"none", "1\n2\n", false},
      {"CR LF", "1\r\n2\r\n", false},
      {"CR inside a line", "1\r2\n", true},
      {"CR at the end of the file", "1\n2\r", true},
      {"CR LF across a chunk boundary", chunk.substr(1) + "\r\n2\n", false},
      {"CR at a chunk boundary, text after", chunk.substr(1) + "\r2\n", true},
      {"CR at a chunk boundary and the end of the file", chunk.substr(1) + "\r", true},
  };
  for (const cr_case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::scratch_dir dir;
    recordio::open(unit_a, dir.write("in.txt", c.input).string(), "old");
    EXPECT_FALSE(recordio::holds_bare_carriage_return(unit_a));
    char first = ' ';  // the lines are read as text to the end of the file
    while (recordio::start_formatted_read(unit_a, "(A1)", recordio::end_exit::yes) == 0 &&
           recordio::read(std::span<char>(&first, 1)) == 0 && recordio::end_read() == 0) {
    }
    EXPECT_EQ(recordio::holds_bare_carriage_return(unit_a), c.expected);
    recordio::close(unit_a);
  }
}

// Whether data remain after the records read: only blanks, tabs and line ends do not count.
TEST(RecordioOpen, DataRemainingAfterTheLastStatement) {
  struct remaining_case {
    std::string input;
    bool expected;
  };
  const remaining_case cases[] = {
      {"1\n", false}, {"1\n  \n\t\r\n\n", false}, {"1\n2\n", true}, {"1\n\n   x", true},
      {"1", false},
  };
  for (const remaining_case& c : cases) {
    SCOPED_TRACE("input \"" + c.input + "\"");
    testsupport::scratch_dir dir;
    recordio::open(unit_a, dir.write("in.txt", c.input).string(), "old");
    std::int32_t n = 0;
    (void)recordio::start_list_read(unit_a, recordio::end_exit::yes);
    (void)recordio::read(n);
    (void)recordio::end_read();
    EXPECT_EQ(recordio::has_more_data(unit_a), c.expected);
    recordio::close(unit_a);
  }
}

}  // namespace
