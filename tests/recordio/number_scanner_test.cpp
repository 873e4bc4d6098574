// The fast path for plain reals against the full scanner, on constants of every shape.
#include "recordio/number_scanner.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "recordio/plain_number.h"

namespace {

using recordio::detail::scan_outcome;

// The same bytes as a source that does not hand its text to fast_float, so that the full
// scanner builds its normalised digit string.
struct streaming_source {
  const char* p;
  const char* end;
  static constexpr bool contiguous = false;
  int peek() const { return p < end ? static_cast<unsigned char>(*p) : -1; }
  void advance() { ++p; }
};

// Random texts of 1 to `longest` characters over an alphabet, the same sequence for a seed.
class random_texts {
 public:
  random_texts(std::string alphabet, int longest, unsigned seed)
      : alphabet_(std::move(alphabet)),
        random_(seed),
        pick_(0, alphabet_.size() - 1),
        length_(1, longest) {}
  std::string next() {
    std::string text;
    for (int i = length_(random_); i > 0; --i) text += alphabet_[pick_(random_)];
    return text;
  }

 private:
  std::string alphabet_;
  std::mt19937 random_;
  std::uniform_int_distribution<std::size_t> pick_;
  std::uniform_int_distribution<int> length_;
};

// The full scanner must read `value` from `text`, bit for bit, and stop at `after`.
void expect_full_scan_agrees(const std::string& text, double value, const char* after) {
  streaming_source in{text.data(), text.data() + text.size()};
  auto full = recordio::detail::scan_value(in, false, false);
  ASSERT_EQ(full.outcome, scan_outcome::value);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(full.number), std::bit_cast<std::uint64_t>(value));
  EXPECT_EQ(in.p, after);
}

// Wherever the fast path accepts a constant, the full scanner must read the same value
// bit for bit and stop at the same character.
TEST(RecordioNumberScanner, FastPathAgreesWithTheFullScanner) {
  random_texts texts("0123456789000..eEdD+-*,/ x", 30, 20261209);
  int accepted = 0;
  for (int n = 0; n < 200000; ++n) {
    std::string text = texts.next() + ' ';
    SCOPED_TRACE("text \"" + text + "\"");
    double fast = 0;
    const char* after = nullptr;
    if (!recordio::detail::scan_plain_real(text.data(), text.data() + text.size(), fast, after))
      continue;
    ++accepted;
    expect_full_scan_agrees(text, fast, after);
  }
  EXPECT_GT(accepted, 1000);  // the alphabet must give the fast path real work
}

// The full scanner reads the same from bytes in memory (plain constants handed straight to
// fast_float) as from a stream (normalised digit string): outcome, tag, value and end.
TEST(RecordioNumberScanner, InMemoryAndStreamingScansAgree) {
  random_texts texts("0123456789000..eEdD+-*,/ \tx\n", 60, 7);
  for (int n = 0; n < 200000; ++n) {
    const std::string text = texts.next();
    SCOPED_TRACE("text \"" + text + "\"");
    for (bool integer : {false, true}) {
      recordio::detail::span_source memory{text.data(), text.data() + text.size()};
      streaming_source stream{text.data(), text.data() + text.size()};
      auto a = recordio::detail::scan_value(memory, integer, false);
      auto b = recordio::detail::scan_value(stream, integer, false);
      ASSERT_EQ(a.outcome, b.outcome);
      ASSERT_EQ(memory.p, stream.p);
      if (a.outcome == scan_outcome::error) {
        ASSERT_EQ(a.error, b.error);
      }
      if (a.outcome == scan_outcome::value) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(a.number), std::bit_cast<std::uint64_t>(b.number));
      }
      if (a.outcome == scan_outcome::repeat) {
        ASSERT_EQ(a.repeat, b.repeat);
      }
    }
  }
}

// The word-at-a-time reading of short constants against the full scanner: wherever it
// accepts a constant the value and the end must be the same; and the two ways of finding
// a short constant's shape (by words, by a vector of bytes) agree wherever both find one.
TEST(RecordioNumberScanner, ShortDecimalsAgreeWithTheFullScanner) {
  random_texts texts("0123456789000..--+eEdD*,/ \tx\n", 20, 20261210);
  int accepted = 0;
  for (int n = 0; n < 300000; ++n) {
    const std::string text =
        texts.next() + std::string(recordio::detail::short_decimal_lookahead, ' ');
    SCOPED_TRACE("text \"" + text + "\"");
    double fast = 0;
    const char* after = recordio::detail::scan_short_decimal(text.data(), fast);
    recordio::detail::short_constant_shape by_words;
    const bool words = recordio::detail::shape_by_words(text.data(), by_words);
#if defined(__SSE2__)
    recordio::detail::short_constant_shape by_vector;
    if (recordio::detail::shape_by_vector(text.data(), by_vector)) {
      ASSERT_TRUE(words);
      EXPECT_EQ(by_vector.sign, by_words.sign);
      EXPECT_EQ(by_vector.integer_digits, by_words.integer_digits);
      EXPECT_EQ(by_vector.fraction_digits, by_words.fraction_digits);
      EXPECT_EQ(by_vector.length, by_words.length);
    }
#endif
    if (after == nullptr) continue;
    ++accepted;
    EXPECT_TRUE(words);
    expect_full_scan_agrees(text, fast, after);
  }
  EXPECT_GT(accepted, 10000);  // the alphabet must give the short form real work
}

// Constants the fast path must leave to the full scanner.
TEST(RecordioNumberScanner, FastPathDeclinesOtherForms) {
  const char* declined[] = {
      "2.5d3 ",
      "2.5+3 ",
      "3*7 ",
      "0 ",
      "-0.0 ",
      "1e400 ",
      "1e-400 ",
      "+-5 ",
      "inf ",
      ". ",
      "1.5e ",
      "12.5",  // reaches the end of the bytes at hand
      "1.00000005960464488641292746251565404236316 ",
  };
  for (const char* text : declined) {
    SCOPED_TRACE(text);
    std::string s(text);
    double value = 0;
    const char* after = nullptr;
    EXPECT_FALSE(recordio::detail::scan_plain_real(s.data(), s.data() + s.size(), value, after));
  }
}

}  // namespace
