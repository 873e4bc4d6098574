// Parsing of format texts such as "(3000e15.7,x)" into edit descriptors, and the walk
// through them that formatted statements share (repeat counts, end of items, reversion).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recordio/error_kind.h"

namespace recordio::detail {

enum class edit_kind : std::uint8_t {
  text,   // quoted text or nH text, copied as it stands
  skip,   // nX: move n columns to the right
  slash,  // end the record, start the next
  data,   // Iw, Aw, Ew.d: takes one item per repetition
};

struct edit_descriptor {
  edit_kind kind = edit_kind::text;
  char letter = 0;               // data: 'I', 'A' or 'E'
  int repeat = 1;                // data: how many items it takes in a row
  int width = 0;                 // data: w (0 for A without a width); skip: n
  int digits = 0;                // E: d
  std::uint32_t text_begin = 0;  // text: where its characters lie in the format's texts
  std::uint32_t text_size = 0;
};

// Largest numbers a format may carry; beyond them the format is refused.
inline constexpr int max_format_repeat = 100'000'000;
inline constexpr int max_format_width = 100'000;
inline constexpr int max_format_digits = 1000;

// A parsed format. Parsing again reuses the storage.
class parsed_format {
 public:
  // Parses `format` (blanks outside texts are ignored, letters in either case). Returns
  // error_kind::none on success, else the reason the format is refused (one of the
  // format_... kinds). Does not throw except for allocation failure.
  error_kind parse(std::string_view format);

  const std::vector<edit_descriptor>& descriptors() const { return descriptors_; }
  std::string_view text(const edit_descriptor& d) const {
    return std::string_view(texts_).substr(d.text_begin, d.text_size);
  }
  bool has_data() const { return has_data_; }

 private:
  std::vector<edit_descriptor> descriptors_;
  std::string texts_;
  bool has_data_ = false;
};

// The position in a format during one statement. A `Sink` receives the control
// descriptors met on the way: text(std::string_view), skip(int), slash() and revert().
class format_cursor {
 public:
  void reset(const parsed_format& format) {
    format_ = &format;
    index_ = 0;
    left_ = 0;
  }

  // Moves to the data edit descriptor for the next item, passing on every control
  // descriptor on the way. At the closing parenthesis the format reverts to its start
  // (sink.revert()). Returns nullptr when the format has no data edit descriptor.
  template <class Sink>
  const edit_descriptor* next_data(Sink& sink) {
    const auto& all = format_->descriptors();
    if (!format_->has_data()) return nullptr;
    for (;;) {
      if (left_ > 0) {
        --left_;
        const edit_descriptor* d = &all[index_];
        if (left_ == 0) ++index_;
        return d;
      }
      if (index_ == all.size()) {
        sink.revert();
        index_ = 0;
        continue;
      }
      const edit_descriptor& d = all[index_];
      if (d.kind == edit_kind::data) {
        left_ = d.repeat;
        continue;
      }
      pass_control(d, sink);
      ++index_;
    }
  }

  // After the last item: passes on the control descriptors up to the next data edit
  // descriptor or the end of the format.
  template <class Sink>
  void finish(Sink& sink) {
    const auto& all = format_->descriptors();
    if (left_ > 0) return;
    for (; index_ < all.size() && all[index_].kind != edit_kind::data; ++index_)
      pass_control(all[index_], sink);
  }

 private:
  template <class Sink>
  void pass_control(const edit_descriptor& d, Sink& sink) {
    if (d.kind == edit_kind::text) sink.text(format_->text(d));
    if (d.kind == edit_kind::skip) sink.skip(d.width);
    if (d.kind == edit_kind::slash) sink.slash();
  }

  const parsed_format* format_ = nullptr;
  std::size_t index_ = 0;  // the descriptor in use or next
  int left_ = 0;           // repetitions of descriptors_[index_] still to take
};

// The format of a kind of statement, parsed once while the same text comes again.
struct cached_format {
  parsed_format parsed;
  std::string text;  // the format last started, refused or not
  bool valid = false;
  format_cursor cursor;

  // Makes `format` current and puts the cursor at its start. Returns error_kind::none, or
  // the reason the format is refused (then no parsed format is cached).
  error_kind start(std::string_view format) {
    if (!valid || text != format) {
      valid = false;
      text.assign(format);
      if (const error_kind why = parsed.parse(format); why != error_kind::none) return why;
      valid = true;
    }
    cursor.reset(parsed);
    return error_kind::none;
  }
};

}  // namespace recordio::detail
