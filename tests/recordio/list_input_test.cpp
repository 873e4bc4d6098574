// List-directed input: input text against the values and statuses of each statement.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "recordio/list_text.h"
#include "recordio/plain_records.h"
#include "recordio/recordio.h"
#include "tests/support/run_program.h"

namespace {

constexpr int data_unit = 20;
constexpr float real_sentinel = -7.0f;
constexpr std::int32_t integer_sentinel = -7;
constexpr double untouched = 1e300;  // expected value of an item that keeps its value

// One statement: item types ('r' real, 'i' integer), the values expected after it
// (`untouched` for items that keep their values) and the statuses of the start call,
// each item call and the end call.
struct statement {
  std::string types;
  std::vector<double> values;
  std::vector<int> statuses;
};

struct list_case {
  std::string input;
  std::vector<statement> statements;
};

std::uint32_t bits(float f) {
  return std::bit_cast<std::uint32_t>(f);
}

// A copy of the text [begin, end) in an allocation of exactly its size, so that the
// sanitizers catch a read of any byte beyond the window.
class exact_window {
 public:
  exact_window(const char* begin, const char* end)
      : size_(static_cast<std::size_t>(end - begin)), bytes_(new char[size_]) {
    if (size_ > 0) std::memcpy(bytes_.get(), begin, size_);
  }
  const char* begin() const { return bytes_.get(); }
  const char* end() const { return bytes_.get() + size_; }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> bytes_;
};

// read_list_record on an exact copy of [begin, end).
recordio::text_record read_record_in(const char* begin, const char* end, bool file_ends,
                                     std::span<float> items) {
  const exact_window w(begin, end);
  return recordio::read_list_record(w.begin(), w.end(), file_ends, items);
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Runs the statements of `c` on a file holding `input` with END exits, checking every value
// bit for bit and every status.
void run_statements(const list_case& c, const std::string& input) {
  testsupport::scratch_dir dir;
  recordio::open(data_unit, dir.write("data.txt", input).string(), "old");
  for (std::size_t s = 0; s < c.statements.size(); ++s) {
    const statement& st = c.statements[s];
    SCOPED_TRACE("statement " + std::to_string(s + 1) + " (" + st.types + ")");
    std::vector<float> reals(st.types.size(), real_sentinel);
    std::vector<std::int32_t> integers(st.types.size(), integer_sentinel);
    std::vector<int> statuses;
    statuses.push_back(recordio::start_list_read(data_unit, recordio::end_exit::yes));
    for (std::size_t i = 0; i < st.types.size(); ++i)
      statuses.push_back(st.types[i] == 'i' ? recordio::read(integers[i])
                                            : recordio::read(reals[i]));
    statuses.push_back(recordio::end_read());
    EXPECT_EQ(statuses, st.statuses);
    for (std::size_t i = 0; i < st.types.size(); ++i) {
      SCOPED_TRACE("item " + std::to_string(i + 1));
      if (st.types[i] == 'i') {
        auto want =
            st.values[i] == untouched ? integer_sentinel : static_cast<std::int32_t>(st.values[i]);
        EXPECT_EQ(integers[i], want);
      } else {
        float want = st.values[i] == untouched ? real_sentinel : static_cast<float>(st.values[i]);
        EXPECT_EQ(bits(reals[i]), bits(want)) << reals[i] << " vs " << want;
      }
    }
  }
  recordio::close(data_unit);
}

// What the in-memory reader must give for a statement whose unit calls return `statuses`.
recordio::text_outcome outcome_of(const std::vector<int>& statuses) {
  for (int status : statuses) {
    if (status < 0) return recordio::text_outcome::end;
    if (status > 0) return recordio::text_outcome::failure;
  }
  return recordio::text_outcome::record;
}

// Reads the statements of `c` from `input` in memory, where every statement reads reals
// only, and checks each outcome and value against what the unit reads gave. Each record is
// read again from every shorter window that is not the end of the file: those must ask for
// more text and leave the items alone, or give the same record.
void read_statements_in_memory(const list_case& c, const std::string& input) {
  for (const statement& st : c.statements)
    if (st.types.find('i') != std::string::npos) return;
  const char* const text = input.data();
  std::size_t at = 0;
  for (std::size_t s = 0; s < c.statements.size(); ++s) {
    const statement& st = c.statements[s];
    SCOPED_TRACE("in memory, statement " + std::to_string(s + 1));
    std::vector<float> items(st.types.size(), real_sentinel);
    const recordio::text_record r = read_record_in(text + at, text + input.size(), true, items);
    ASSERT_EQ(r.outcome, outcome_of(st.statuses));
    for (std::size_t i = 0; i < items.size(); ++i) {
      const float want = st.values[i] == untouched ? real_sentinel : float(st.values[i]);
      EXPECT_EQ(bits(items[i]), bits(want)) << "item " << i + 1;
    }
    for (std::size_t end = at; input.size() < 4096 && end < input.size(); ++end) {
      std::vector<float> cut(st.types.size(), real_sentinel);
      const recordio::text_record w = read_record_in(text + at, text + end, false, cut);
      if (w.outcome == recordio::text_outcome::needs_more) {
        EXPECT_TRUE(same_bits(cut, std::vector<float>(st.types.size(), real_sentinel)))
            << "window of " << end - at << " bytes";
      } else {
        EXPECT_TRUE(w.outcome == r.outcome && w.used == r.used && same_bits(cut, items))
            << "window of " << end - at << " bytes";
      }
    }
    if (r.outcome != recordio::text_outcome::record) return;
    at += r.used;
  }
}

// Runs `c` as it stands, where the last bytes of a file are read by the general path, and
// again, when its input ends with a newline, followed by blank lines (which change no value
// and no status), so that the same text is read by the inline path for plain constants.
void run_case(const list_case& c) {
  SCOPED_TRACE("input: \"" + c.input + "\"");
  run_statements(c, c.input);
  read_statements_in_memory(c, c.input);
  if (!c.input.empty() && c.input.back() == '\n') {
    SCOPED_TRACE("followed by blank lines");
    run_statements(c, c.input + std::string(64, ' ') + "\n\n" + std::string(64, '\t') + "\n");
  }
}

const double inf = std::numeric_limits<double>::infinity();
const double u = untouched;

TEST(RecordioListInput, SeparatorsNullValuesSlashAndLines) {
  const list_case cases[] = {
      // The 4 and 5 go with the rest of the second line; the next read meets END.
      {"1 2\n3 4 5\n", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, 0}}, {"r", {u}, {0, -1, 0}}}},
      {"1,,3\n", {{"rrr", {1, u, 3}, {0, 0, 0, 0, 0}}}},
      {"1 2/ 5\n9\n", {{"rrr", {1, 2, u}, {0, 0, 0, 0, 0}}, {"r", {9}, {0, 0, 0}}}},
      {",5\n", {{"rr", {u, 5}, {0, 0, 0, 0}}}},
      {"1, ,3\n", {{"rrr", {1, u, 3}, {0, 0, 0, 0, 0}}}},
      {"\n\n\t1\t\n\n  2 , 3\n", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, 0}}}},
      {"/\n7\n", {{"rr", {u, u}, {0, 0, 0, 0}}, {"r", {7}, {0, 0, 0}}}},
      // A sign or point without digits before a comma or slash is a null value.
      {"+,5 -/\n", {{"rrr", {u, 5, u}, {0, 0, 0, 0, 0}}}},
      // A value ends at the first character that cannot continue it.
      {"12abc\n3\n", {{"i", {12}, {0, 0, 0}}, {"i", {3}, {0, 0, 0}}}},
      // A carriage return after the last item goes with the rest of the line.
      {"1 2 3\r\n4\n", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, 0}}, {"r", {4}, {0, 0, 0}}}},
  };
  for (const list_case& c : cases) run_case(c);
}

// Constants at the edges of the short plain form, and what may follow them.
TEST(RecordioListInput, ShortPlainConstantsAndTheirNeighbours) {
  const list_case cases[] = {
      {"521438.138 4631832.726 -123.4567\n",
       {{"rrr", {521438.138, 4631832.726, -123.4567}, {0, 0, 0, 0, 0}}}},
      {"+1234567.1234567 -.5 5.\n", {{"rrr", {1234567.1234567, -0.5, 5}, {0, 0, 0, 0, 0}}}},
      {"12345678.5 0.123456789 -0 0\n",
       {{"rrrr", {12345678.5, 0.123456789, -0.0, 0}, {0, 0, 0, 0, 0, 0}}}},
      {"1,2\t,3 ,,\n", {{"rrrr", {1, 2, 3, u}, {0, 0, 0, 0, 0, 0}}}},
      {"1.5e1 2.5d1 3+1 2*4\n", {{"rrrr", {15, 25, 30, 4}, {0, 0, 0, 0, 0, 0}}}},
      {"7 8 9\r\n1.2.3\n", {{"rrr", {7, 8, 9}, {0, 0, 0, 0, 0}}, {"r", {1.2}, {0, 0, 0}}}},
      {"4 5/ 6\n", {{"rrr", {4, 5, u}, {0, 0, 0, 0, 0}}}},
      {"2\n\n 3\n", {{"ir", {2, 3}, {0, 0, 0, 0}}}},
  };
  for (const list_case& c : cases) run_case(c);
}

TEST(RecordioListInput, RepeatCounts) {
  const list_case cases[] = {
      {"3*7\n", {{"rrr", {7, 7, 7}, {0, 0, 0, 0, 0}}}},
      {"+2*4 1\n", {{"rrr", {4, 4, 1}, {0, 0, 0, 0, 0}}}},
      {"2*,5\n", {{"rrr", {u, u, 5}, {0, 0, 0, 0, 0}}}},
      {"2* 5\n", {{"rrr", {u, u, 5}, {0, 0, 0, 0, 0}}}},
      {"3*\n", {{"rrr", {u, u, u}, {0, 0, 0, 0, 0}}}},
      {"2*/\n", {{"rrr", {u, u, u}, {0, 0, 0, 0, 0}}}},
      // The count covers items of both types.
      {"3*12 8\n", {{"irir", {12, 12, 12, 8}, {0, 0, 0, 0, 0, 0}}}},
      // A count longer than the statement: the rest is discarded with the line.
      {"5*1\n2\n", {{"rr", {1, 1}, {0, 0, 0, 0}}, {"r", {2}, {0, 0, 0}}}},
      {"1*9 2*\n", {{"rrr", {9, u, u}, {0, 0, 0, 0, 0}}}},
  };
  for (const list_case& c : cases) run_case(c);
}

TEST(RecordioListInput, ExponentFormsAndConversion) {
  const list_case cases[] = {
      {"2.5e3 2.5E+3 2.5d3 2.5D+3 2.5+3 25-1 .5 5. -0\n",
       {{"rrrrrrrrr", {2500, 2500, 2500, 2500, 2500, 2.5, 0.5, 5, -0.0}, std::vector<int>(11, 0)}}},
      {"0000000000000000000000000000000000000000000000000012.5 1e000000000000000001\n",
       {{"rr", {12.5, 10}, {0, 0, 0, 0}}}},
      // Decimal to double, correctly rounded, then double to single: 1 + 2^-24 + 1e-29
      // becomes the double 1 + 2^-24, a tie that single precision rounds to even (1.0).
      {"1.00000005960464477539062500001\n", {{"r", {1.0}, {0, 0, 0}}}},
      // Only 40 significant digits take part: the digits beyond them would lift the value
      // above the halfway point 1 + 2^-24 + 2^-53 and give 1 + 2^-23; truncated it stays
      // below and gives 1.0. Fraction digits are dropped, integer digits raise the exponent.
      {"1.000000059604644886412927462515654042363166809082031250001\n", {{"r", {1.0}, {0, 0, 0}}}},
      {"1000000059604644886412927462515654042363166809082031250001-57\n",
       {{"r", {1.0}, {0, 0, 0}}}},
      {"1.00000005960464488641292746251565404236\n", {{"r", {1.0}, {0, 0, 0}}}},
      // Overflow and underflow as atof gives them; the largest exponent still accepted.
      {"1e99999999 -1d400 1e-99999999 1e-45 7e-46 -3.4028236e38\n",
       {{"rrrrrr", {inf, -inf, 0, 1e-45, 0, -inf}, std::vector<int>(8, 0)}}},
  };
  for (const list_case& c : cases) run_case(c);
}

TEST(RecordioListInput, Integers) {
  const list_case cases[] = {
      {"1+3 -17 7-1 -0 +42\n", {{"iiiii", {1000, -17, 0, 0, 42}, std::vector<int>(7, 0)}}},
      // Outside the 32-bit range: saturated; a fraction reached through the exponent:
      // truncated toward zero.
      {"2147483648 -2147483649 99999999999999999999 2147483647 -2147483648 -25-1\n",
       {{"iiiiii",
         {2147483647.0, -2147483648.0, 2147483647.0, 2147483647.0, -2147483648.0, -2},
         std::vector<int>(8, 0)}}},
  };
  for (const list_case& c : cases) run_case(c);
}

TEST(RecordioListInput, EndOfFile) {
  const list_case cases[] = {
      // A last line without newline is read completely; the next read meets END at once.
      {"1 2 3", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, 0}}, {"r", {u}, {-1, -1, 0}}}},
      {"1 2 3 \t", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, 0}}, {"r", {u}, {-1, -1, 0}}}},
      // End of file met while discarding other characters: the end call says so.
      {"1 2 3 4", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, -1}}, {"r", {u}, {-1, -1, 0}}}},
      {"1 2 3\r", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, -1}}}},
      {"1 2 3,", {{"rrr", {1, 2, 3}, {0, 0, 0, 0, -1}}}},
      // END while items remain: they keep their values.
      {"1 2\n", {{"rrr", {1, 2, u}, {0, 0, 0, -1, 0}}}},
      {"", {{"ri", {u, u}, {0, -1, -1, 0}}}},
      {"\n\n  \n", {{"r", {u}, {0, -1, 0}}}},
      {"4\n", {{"i", {4}, {0, 0, 0}}, {"i", {u}, {0, -1, 0}}, {"i", {u}, {-1, -1, 0}}}},
  };
  for (const list_case& c : cases) run_case(c);
}

// Values and line ends that straddle the 1 MiB chunks in which files are read.
TEST(RecordioListInput, ValuesAcrossChunkBoundaries) {
  constexpr std::size_t chunk = std::size_t{1} << 20;
  for (std::size_t before : {chunk - 4, chunk - 1, chunk, chunk - 9}) {
    std::string input(before, ' ');
    input += "123456.75 2*-1.5e1\n" + std::string(chunk, ' ') + "\n8\n";
    run_case({input, {{"rrr", {123456.75, -15, -15}, {0, 0, 0, 0, 0}}, {"r", {8}, {0, 0, 0}}}});
  }
  // A constant longer than a chunk: 0.000...01 with 1.5 million zeros, scaled back to 10.
  std::string zeros(1'500'000, '0');
  run_case({"0." + zeros + "1e1500002 7\n", {{"rr", {10, 7}, {0, 0, 0, 0}}}});
  // A line longer than a chunk is discarded whole.
  run_case({"1 " + std::string(3 * chunk, 'x') + "\n2\n",
            {{"r", {1}, {0, 0, 0}}, {"r", {2}, {0, 0, 0}}}});
}

// Reads records of x and y from `path` until END, checking that record k holds k and
// k % 1000; after the first record the file is cut to `cut` bytes when `cut` is nonzero.
int read_numbered_records(const std::filesystem::path& path, std::uintmax_t cut) {
  recordio::open(data_unit, path.string(), "old");
  float x = 0;
  float y = 0;
  int records = 0;
  while (recordio::start_list_read(data_unit, recordio::end_exit::yes) == 0 &&
         recordio::read(x) == 0 && recordio::read(y) == 0 && recordio::end_read() == 0) {
    if (records == 0 && cut != 0) std::filesystem::resize_file(path, cut);
    if (x != float(records) || y != float(records % 1000)) {
      ADD_FAILURE() << "record " << records << " reads " << x << " " << y;
      break;
    }
    ++records;
  }
  recordio::close(data_unit);
  return records;
}

// Records of 16 bytes over two chunks: a last line without its newline is read; a file that
// another process shortens while it is read ends at its new end, after the records the
// unit had taken in, and the run goes on.
TEST(RecordioListInput, LargeFilesEndWhereTheirLastLineEnds) {
  constexpr int count = 131072;  // 2 MiB
  std::string input;
  for (int k = 0; k < count; ++k) {
    char line[17];
    std::snprintf(line, sizeof line, "%7d %7d\n", k, k % 1000);
    input += line;
  }
  testsupport::scratch_dir dir;
  input.pop_back();
  EXPECT_EQ(read_numbered_records(dir.write("unterminated.txt", input), 0), count);
  EXPECT_EQ(read_numbered_records(dir.write("shortened.txt", input), 3 << 19), count * 3 / 4);
}

// The in-memory reader on the statements of a row of the table below whose items are all
// real: the last statement's failure and position (or record end) as the unit reads gave.
void read_failures_in_memory(const std::string& input, const std::vector<std::string>& types,
                             const std::vector<int>& statuses, std::int64_t position) {
  for (const std::string& t : types)
    if (t.find('i') != std::string::npos) return;
  SCOPED_TRACE("in memory");
  std::size_t at = 0;
  recordio::text_record r;
  for (const std::string& t : types) {
    std::vector<float> items(t.size(), real_sentinel);
    r = read_record_in(input.data() + at, input.data() + input.size(), true, items);
    if (r.outcome != recordio::text_outcome::record) break;
    at += r.used;
  }
  ASSERT_EQ(r.outcome, outcome_of(statuses));
  if (r.outcome == recordio::text_outcome::failure) {
    EXPECT_EQ(static_cast<int>(r.failure), statuses.back());
    EXPECT_EQ(static_cast<std::int64_t>(at + r.failure_offset), position);
  }
  if (r.outcome == recordio::text_outcome::record) {
    EXPECT_EQ(static_cast<std::int64_t>(at), position);
  }
}

// With an error exit a value that cannot be read comes back as its read_failure, from the
// item call and again from the later items and the end call; the read position is left on
// the failure's line, where the scan stopped.
TEST(RecordioListInput, ErrorExitReturnsTheFailureAndItsPosition) {
  using recordio::read_failure;
  struct failure_case {
    std::string input;
    std::vector<std::string> statements;  // item types of each statement, in order
    std::vector<int> statuses;            // of the last statement's calls
    std::int64_t position;                // read_position after its end call
  };
  const auto s = [](read_failure f) { return static_cast<int>(f); };
  const int number = s(read_failure::invalid_number);
  const int exponent = s(read_failure::exponent_field);
  const int count = s(read_failure::bad_repetition_count);
  const int integer = s(read_failure::invalid_integer);
  const failure_case cases[] = {
      {"1 2 abc\n", {"rrr"}, {0, 0, 0, number, number}, 4},
      {"abc 2\n", {"rr"}, {0, number, number, number}, 0},
      {"1.5e x\n", {"r"}, {0, exponent, exponent}, 4},
      {"0*3\n", {"r"}, {0, count, count}, 1},
      {"12.0\n", {"i"}, {0, integer, integer}, 2},
      {"2*1.5\n", {"ii"}, {0, integer, integer, integer}, 3},
      {"1 2 3\n4 x 6\n", {"rrr", "rrr"}, {0, 0, number, number, number}, 8},
      // Statements that read: the next read starts after the line; END stays END.
      {"1 2 3\n4\n", {"rrr"}, {0, 0, 0, 0, 0}, 6},
      {"1 2", {"rrr"}, {0, 0, 0, -1, 0}, 3},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE("input: \"" + c.input + "\"");
    testsupport::scratch_dir dir;
    recordio::open(data_unit, dir.write("data.txt", c.input).string(), "old");
    float real = real_sentinel;
    std::int32_t whole = integer_sentinel;
    std::vector<int> statuses;
    for (const std::string& types : c.statements) {
      statuses.assign(1, recordio::start_list_read(data_unit, recordio::end_exit::yes,
                                                   recordio::error_exit::yes));
      for (char t : types)
        statuses.push_back(t == 'i' ? recordio::read(whole) : recordio::read(real));
      statuses.push_back(recordio::end_read());
    }
    EXPECT_EQ(statuses, c.statuses);
    EXPECT_EQ(recordio::read_position(data_unit), c.position);
    recordio::close(data_unit);
    read_failures_in_memory(c.input, c.statements, c.statuses, c.position);
  }
  EXPECT_EQ(recordio::describe(read_failure::exponent_field).tag, "exponent field");
  EXPECT_EQ(recordio::describe(read_failure::invalid_integer).message, "read unexpected character");
}

// Random text of list-directed records: mostly plain lines, and among them every other
// form the rules know, in the proportions that make each of them common.
class record_text_maker {
 public:
  explicit record_text_maker(std::uint32_t seed) : random_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  // `lines` lines of records of `count` items; the last line sometimes without newline.
  std::string text(int lines, int count) {
    std::string t;
    for (int k = 0; k < lines; ++k) t += line(count);
    if (below(3) == 0) t.pop_back();
    return t;
  }

 private:
  // Texts are built by appending: GCC 12 warns falsely on some sums of strings.
  void digits(std::string& c, int n) {
    for (int k = 0; k < n; ++k) c += static_cast<char>('0' + below(10));
  }
  void sign(std::string& c) { c += below(4) == 0 ? "-" : below(8) == 0 ? "+" : ""; }
  std::string short_decimal() {
    std::string c;
    sign(c);
    digits(c, below(8));
    if (below(3) != 0) {
      c += '.';
      digits(c, below(8));
    }
    if (c.find_first_of("0123456789") == std::string::npos) c += '7';
    return c;
  }
  // A short decimal followed by one of `letters` (an exponent letter or sign), maybe a
  // sign, and up to `most` digits.
  std::string with_exponent(const char* letters, bool signed_exponent, int most) {
    std::string c = short_decimal();
    c += letters[below(2)];
    if (signed_exponent) sign(c);
    digits(c, 1 + below(most));
    return c;
  }
  std::string constant() {
    static const char* const odd[] = {"0",          "-0",         "0.000", "0e3", "1e-40",
                                      "7e-46",      "3.5e38",     "1e39",  ".5",  "5.",
                                      "12345678.5", "1e99999999", "1.5.2"};
    switch (below(30)) {
      case 10:
        return with_exponent("eE", true, 3);
      case 11:
        return with_exponent("dD", true, 2);
      case 12:
        return with_exponent("+-", false, 2);
      case 13: {
        std::string c;
        sign(c);
        digits(c, 8 + below(40));
        if (below(2)) {
          c += '.';
          digits(c, below(20));
        }
        return c;
      }
      case 14:
        return odd[below(std::size(odd))];
      case 15: {
        std::string c = std::to_string(1 + below(3));
        c += '*';
        if (below(3)) c += short_decimal();
        return c;
      }
      default:
        return short_decimal();
    }
  }
  std::string separator() {
    static const char* const seps[] = {" ",     " ",  " ",   "\t", ",",  " , ",
                                       "  \t ", ", ", "\t,", ",,", " / "};
    return seps[below(std::size(seps) - (below(10) == 0 ? 0 : 2))];
  }
  std::string line(int count) {
    static const char* const tails[] = {"\n",       "\n",  "\n",  "\r\n", " \n",
                                        " words\n", "/\n", ",\n", "\t\n", "x\n"};
    static const char* const bad[] = {"x 1 2\n",  "1.5e x\n",  "0*3\n",      "#\n",
                                      "1\r2 3\n", "1 inf 2\n", "2.5d 1 1\n", "+ 1 2\n"};
    const int kind = below(1000);
    std::string l;
    if (kind < 80) {
      l.append(static_cast<std::size_t>(below(3)), below(2) ? ' ' : '\t');
      return l += '\n';
    }
    if (kind < 83) return bad[below(std::size(bad))];
    const int values = kind < 130 ? 1 + below(count) : count + below(3);
    if (below(4) == 0) l += " \t";
    for (int k = 0; k < values; ++k) {
      if (k > 0) l += separator();
      l += constant();
    }
    // A record that goes on to the next line takes what follows as its next items.
    if (values < count) {
      if (below(2)) l += ',';
      return l += '\n';
    }
    return l += tails[below(std::size(tails))];
  }

  std::mt19937 random_;
};

// Every record of a text read one after the other, and how the reading ended.
struct text_reading {
  std::vector<std::vector<float>> records;  // all items after each record
  recordio::text_outcome last = recordio::text_outcome::end;
  int failure = 0;
  std::size_t failure_at = 0;
};

text_reading read_text_in_memory(const std::string& text, std::size_t count) {
  text_reading out;
  std::vector<float> items(count, 0.0f);
  const exact_window whole(text.data(), text.data() + text.size());
  for (std::size_t at = 0;;) {
    const recordio::text_record r =
        recordio::read_list_record(whole.begin() + at, whole.end(), true, items);
    if (r.outcome != recordio::text_outcome::record) {
      out.last = r.outcome;
      out.failure = static_cast<int>(r.failure);
      out.failure_at = at + r.failure_offset;
      return out;
    }
    out.records.push_back(items);
    at += r.used;
  }
}

// The same reading through a unit, as a program reads its data file.
text_reading read_text_on_unit(const std::filesystem::path& file, std::size_t count) {
  text_reading out;
  recordio::open(data_unit, file.string(), "old");
  std::vector<float> items(count, 0.0f);
  for (;;) {
    int status =
        recordio::start_list_read(data_unit, recordio::end_exit::yes, recordio::error_exit::yes);
    for (std::size_t i = 0; i < count && status == 0; ++i) status = recordio::read(items[i]);
    if (status == 0) status = recordio::end_read();
    if (status != 0) {
      out.last = status < 0 ? recordio::text_outcome::end : recordio::text_outcome::failure;
      out.failure = status < 0 ? 1 : status;
      out.failure_at = static_cast<std::size_t>(recordio::read_position(data_unit));
      break;
    }
    out.records.push_back(items);
  }
  recordio::close(data_unit);
  return out;
}

bool same_reading(const text_reading& a, const text_reading& b) {
  if (a.records.size() != b.records.size() || a.last != b.last) return false;
  for (std::size_t k = 0; k < a.records.size(); ++k)
    if (!same_bits(a.records[k], b.records[k])) return false;
  return a.last == recordio::text_outcome::end ||
         (a.failure == b.failure && a.failure_at == b.failure_at);
}

// Reads `text` as a program cutting it into windows would: the plain-record scan over each
// window, the reader for the line it stops before (with longer windows while it needs more
// text). Every record either gives must be the record of `whole`, in its picked items, and
// the reading must end as `whole` ended. Returns the number of records the scan stored.
std::size_t read_text_in_windows(const std::string& text, int count, const std::vector<int>& picked,
                                 const text_reading& whole, record_text_maker& random) {
  const char* const b = text.data();
  const std::size_t size = text.size();
  const std::size_t slots = whole.records.size() + 2;
  std::vector<std::vector<float>> out(picked.size(), std::vector<float>(slots));
  std::vector<float> items(static_cast<std::size_t>(count), 0.0f);
  std::size_t at = 0;
  std::size_t k = 0;
  std::size_t scanned = 0;
  const auto check_record = [&](auto picked_value) {
    if (k >= whole.records.size()) {
      ADD_FAILURE() << "a record beyond the last, at byte " << at;
      return false;
    }
    for (std::size_t p = 0; p < picked.size(); ++p) {
      const float want = whole.records[k][static_cast<std::size_t>(picked[p] - 1)];
      if (bits(picked_value(p)) != bits(want)) {
        ADD_FAILURE() << "record " << k + 1 << " item " << picked[p] << " at byte " << at;
        return false;
      }
    }
    return true;
  };
  for (;;) {
    // Step 1: the scan, into the picks' arrays from record k on.
    std::size_t end = std::min(size, at + static_cast<std::size_t>(random.below(400)));
    std::vector<recordio::plain_pick> picks;
    for (std::size_t p = 0; p < picked.size(); ++p) picks.push_back({picked[p], out[p].data() + k});
    const std::size_t room = slots - k;
    const std::size_t capacity = random.below(8) == 0 ? std::min<std::size_t>(room, 2) : room;
    const exact_window window(b + at, b + end);
    const recordio::plain_scan s =
        recordio::scan_plain_records(window.begin(), window.end(), count, picks, capacity);
    if (s.used > end - at || s.records > capacity ||
        s.newlines != static_cast<std::size_t>(std::count(b + at, b + at + s.used, '\n')) ||
        (s.used > 0 && b[at + s.used - 1] != '\n')) {
      ADD_FAILURE() << "scan from byte " << at << ": used " << s.used << ", newlines "
                    << s.newlines;
      return scanned;
    }
    for (std::size_t j = 0; j < s.records; ++j, ++k)
      if (!check_record([&](std::size_t p) { return out[p][k]; })) return scanned;
    for (std::size_t p = 0; p < picked.size() && s.records > 0; ++p)
      items[static_cast<std::size_t>(picked[p] - 1)] = out[p][k - 1];
    scanned += s.records;
    at += s.used;
    // Step 2: the reader, on the line the scan stopped before.
    recordio::text_record r;
    for (;;) {
      r = read_record_in(b + at, b + end, end == size, items);
      if (r.outcome != recordio::text_outcome::needs_more) break;
      end = std::min(size, end + 1 + static_cast<std::size_t>(random.below(64)));
    }
    if (r.outcome != recordio::text_outcome::record) {
      EXPECT_EQ(k, whole.records.size());
      EXPECT_EQ(r.outcome, whole.last);
      if (r.outcome == recordio::text_outcome::failure) {
        EXPECT_EQ(static_cast<int>(r.failure), whole.failure);
        EXPECT_EQ(at + r.failure_offset, whole.failure_at);
      }
      return scanned;
    }
    if (!check_record(
            [&](std::size_t p) { return items[static_cast<std::size_t>(picked[p] - 1)]; }))
      return scanned;
    ++k;
    at += r.used;
  }
}

// Lines at the edges of what the scan takes whole (the newline among the first 32 or 64
// bytes, a constant of 16 bytes, tabs, signs and points alone) and just past them: followed
// by enough text to be read whole, each is scanned as the reader reads it, or left to it.
TEST(RecordioListText, LinesAtTheEdgesOfTheWholeLineScan) {
  struct row {
    std::string line;
    bool scanned;  // a plain record of three items
  };
  const row rows[] = {
      {"522303.385 4632237.565 -32.3486\n", true},   // newline at byte 31
      {"522303.385 4632237.565  -32.3486\n", true},  // at byte 32
      {" \t+1234567.1234567 -.5 5.\t\n", true},      // 16 bytes, no integer or fraction digits
      {"1234567.1234567 1234567.1234567 1234567.12345 \n", true},  // at byte 46
      {std::string(60, ' ') + "1 2\n", false},                     // two items
      {std::string(58, ' ') + "1 2 3\n", true},                    // newline at byte 63
      {std::string(59, ' ') + "1 2 3\n", true},                    // at byte 64: item by item
      {"12345678 2 3\n", true},                                    // 8 digits: item by item
      {"1 2 3 4\n", true},                                         // the fourth item ignored
      {"1-2 2 3\n", false},
      {"1.2.3 2 3\n", false},
      {"- 2 3\n", false},
      {"1 2 3\r\n", true},
      {"1 2 3 \r\n", true},
      {"1 2\r3\n", false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE("line \"" + r.line + "\"");
    // Texts are built by appending: GCC 12 warns falsely on some sums of strings.
    std::string text = r.line;
    text += '\n';
    text.append(100, ' ');
    text += '\n';
    const exact_window window(text.data(), text.data() + text.size());
    std::vector<float> items(3), scanned(3);
    const recordio::plain_pick picks[] = {{1, &scanned[0]}, {2, &scanned[1]}, {3, &scanned[2]}};
    const recordio::plain_scan s =
        recordio::scan_plain_records(window.begin(), window.end(), 3, picks, 1);
    ASSERT_EQ(s.records, r.scanned ? 1u : 0u);
    if (!r.scanned) continue;
    EXPECT_EQ(s.used, r.line.size());
    const recordio::text_record read =
        recordio::read_list_record(window.begin(), window.end(), true, items);
    ASSERT_EQ(read.outcome, recordio::text_outcome::record);
    EXPECT_TRUE(same_bits(scanned, items));
  }
}

// The in-memory reader against the unit reads, and the plain-record scan against the
// reader, on random text: the same records bit for bit, the same end and failures.
TEST(RecordioListText, RandomTextReadsAsOnUnitsAndScansAsItReads) {
  record_text_maker random(20261209);
  testsupport::scratch_dir dir;
  std::size_t records = 0;
  std::size_t scanned = 0;
  for (int trial = 0; trial < 1500; ++trial) {
    const int count = random.below(4) == 0 ? 1 + random.below(5) : 3;
    std::vector<int> picked;
    for (int item = 1; item <= count && picked.size() < recordio::max_plain_picks; ++item)
      if (count <= 3 || random.below(2) == 0) picked.push_back(item);
    const std::string text = random.text(200, count);
    SCOPED_TRACE("trial " + std::to_string(trial) + ", " + std::to_string(count) + " items");
    const text_reading whole = read_text_in_memory(text, static_cast<std::size_t>(count));
    const auto on_unit = read_text_on_unit(dir.write("data.txt", text), std::size_t(count));
    if (!same_reading(whole, on_unit)) {
      ADD_FAILURE() << "the unit reads another way:\n" << text;
      break;
    }
    records += whole.records.size();
    scanned += read_text_in_windows(text, count, picked, whole, random);
    if (HasFailure()) {
      ADD_FAILURE() << "text:\n" << text;
      break;
    }
  }
  // The scan must have taken many records: about half the lines are plain.
  EXPECT_GT(scanned, records / 3) << scanned << " of " << records << " records scanned";
}

}  // namespace
