// List-directed input: input text against the values and statuses of each statement.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

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

// Runs the statements of `c` on a fresh file with END exits, checking every value bit for
// bit and every status.
void run_case(const list_case& c) {
  SCOPED_TRACE("input: \"" + c.input + "\"");
  testsupport::scratch_dir dir;
  recordio::open(data_unit, dir.write("data.txt", c.input).string(), "old");
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

// With an error exit a value that cannot be read comes back as its read_failure, from the
// item call and again from the later items; until the end call, the read position is left
// on the failure's line, where the scan stopped.
TEST(RecordioListInput, ErrorExitReturnsTheFailureAndItsPosition) {
  using recordio::read_failure;
  struct failure_case {
    std::string input;
    std::vector<std::string> statements;  // item types of each statement, in order
    std::vector<int> statuses;            // of the last statement's calls
    std::int64_t position;                // read_position before its end call
  };
  const auto s = [](read_failure f) { return static_cast<int>(f); };
  const int number = s(read_failure::invalid_number);
  const int exponent = s(read_failure::exponent_field);
  const int count = s(read_failure::bad_repetition_count);
  const int integer = s(read_failure::invalid_integer);
  const failure_case cases[] = {
      {"1 2 abc\n", {"rrr"}, {0, 0, 0, number, 0}, 4},
      {"abc 2\n", {"rr"}, {0, number, number, 0}, 0},
      {"1.5e x\n", {"r"}, {0, exponent, 0}, 4},
      {"0*3\n", {"r"}, {0, count, 0}, 1},
      {"12.0\n", {"i"}, {0, integer, 0}, 2},
      {"2*1.5\n", {"ii"}, {0, integer, integer, 0}, 3},
      {"1 2 3\n4 x 6\n", {"rrr", "rrr"}, {0, 0, number, number, 0}, 8},
      // A statement that reads leaves the position after its last value; END stays END.
      {"1 2 3\n4\n", {"rrr"}, {0, 0, 0, 0, 0}, 5},
      {"1 2", {"rrr"}, {0, 0, 0, -1, 0}, 3},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE("input: \"" + c.input + "\"");
    testsupport::scratch_dir dir;
    recordio::open(data_unit, dir.write("data.txt", c.input).string(), "old");
    float real = real_sentinel;
    std::int32_t whole = integer_sentinel;
    std::vector<int> statuses;
    std::int64_t position = -1;
    for (const std::string& types : c.statements) {
      statuses.assign(1, recordio::start_list_read(data_unit, recordio::end_exit::yes,
                                                   recordio::error_exit::yes));
      for (char t : types)
        statuses.push_back(t == 'i' ? recordio::read(whole) : recordio::read(real));
      position = recordio::read_position(data_unit);
      statuses.push_back(recordio::end_read());
    }
    EXPECT_EQ(statuses, c.statuses);
    EXPECT_EQ(position, c.position);
    recordio::close(data_unit);
  }
  EXPECT_EQ(recordio::describe(read_failure::exponent_field).tag, "exponent field");
  EXPECT_EQ(recordio::describe(read_failure::invalid_integer).message, "read unexpected character");
}

}  // namespace
