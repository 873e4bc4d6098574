// Parsing of format texts into edit descriptors.
#include "recordio/format_parser.h"

namespace recordio::detail {
namespace {

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Reads the format character by character, passing over blanks outside texts.
class format_reader {
 public:
  explicit format_reader(std::string_view text) : text_(text) {}

  // The next character that is not a blank, upper-cased; 0 at the end of the text.
  char peek() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    return pos_ < text_.size() ? upper(text_[pos_]) : 0;
  }
  void advance() { ++pos_; }
  // The next character as it stands (inside texts), or -1 at the end.
  int raw() { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_++]) : -1; }
  // Gives back the character last taken by raw().
  void unread() { --pos_; }

  // An unsigned number (blanks between digits ignored); -1 when none, -2 when above `limit`.
  int number(int limit) {
    if (!is_digit(peek())) return -1;
    long long value = 0;
    while (is_digit(peek())) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > limit) return -2;
      advance();
    }
    return static_cast<int>(value);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Reads a quoted text whose opening `quote` has been taken; a doubled quote stands for one.
bool read_quoted(format_reader& in, char quote, std::string& texts) {
  for (;;) {
    int t = in.raw();
    if (t < 0) return false;
    if (t != quote) {
      texts.push_back(static_cast<char>(t));
      continue;
    }
    if (in.raw() == quote) {
      texts.push_back(quote);
      continue;
    }
    in.unread();
    return true;
  }
}

// Reads the width (and for E the digits) of the data edit descriptor `d.letter`.
error_kind read_data_sizes(format_reader& in, edit_descriptor& d) {
  d.width = in.number(max_format_width);
  if (d.width == -2) return error_kind::format_width_too_large;
  if (d.letter == 'A') {
    if (d.width < 0) d.width = 0;  // A without a width: the item's length
    return error_kind::none;
  }
  if (d.width <= 0) return error_kind::format_missing_width;
  if (d.letter == 'I') return error_kind::none;
  if (in.peek() != '.') return error_kind::format_missing_digits;
  in.advance();
  d.digits = in.number(max_format_digits);
  if (d.digits == -2) return error_kind::format_too_many_digits;
  if (d.digits <= 0) return error_kind::format_missing_digits;
  return error_kind::none;
}

}  // namespace

error_kind parsed_format::parse(std::string_view format) {
  descriptors_.clear();
  texts_.clear();
  has_data_ = false;
  format_reader in(format);
  if (in.peek() != '(') return error_kind::format_without_parenthesis;
  in.advance();
  for (;;) {
    char c = in.peek();
    if (c == ',') {
      in.advance();
      continue;
    }
    if (c == ')') return error_kind::none;
    if (c == 0) return error_kind::format_unclosed;
    edit_descriptor d;
    // Step 1: quoted text.
    if (c == '\'' || c == '"') {
      in.advance();
      d.text_begin = static_cast<std::uint32_t>(texts_.size());
      if (!read_quoted(in, c, texts_)) return error_kind::format_unterminated_text;
      d.text_size = static_cast<std::uint32_t>(texts_.size() - d.text_begin);
      descriptors_.push_back(d);
      continue;
    }
    // Step 2: an optional count, then the descriptor letter.
    int count = in.number(max_format_repeat);
    if (count == -2) return error_kind::format_count_too_large;
    if (count == 0) return error_kind::format_zero_count;
    char letter = in.peek();
    in.advance();
    // Counts of texts, skips and slashes are widths, not repeat counts.
    if ((letter == 'H' || letter == 'X' || letter == '/') && count > max_format_width)
      return error_kind::format_count_too_large;
    switch (letter) {
      case 'H':  // nH: the next n characters as they stand
        if (count < 0) return error_kind::format_h_without_count;
        d.text_begin = static_cast<std::uint32_t>(texts_.size());
        for (int i = 0; i < count; ++i) {
          int t = in.raw();
          if (t < 0) return error_kind::format_h_text_too_long;
          texts_.push_back(static_cast<char>(t));
        }
        d.text_size = static_cast<std::uint32_t>(count);
        break;
      case 'X':
        d.kind = edit_kind::skip;
        d.width = count < 0 ? 1 : count;
        break;
      case '/':
        d.kind = edit_kind::slash;
        for (int i = 1; i < count; ++i) descriptors_.push_back(d);
        break;
      case 'I':
      case 'A':
      case 'E':
        d.kind = edit_kind::data;
        d.letter = letter;
        d.repeat = count < 0 ? 1 : count;
        if (const error_kind why = read_data_sizes(in, d); why != error_kind::none) return why;
        has_data_ = true;
        break;
      case '(':
        return error_kind::format_groups;
      default:
        return error_kind::format_unknown_descriptor;
    }
    descriptors_.push_back(d);
  }
}

}  // namespace recordio::detail
