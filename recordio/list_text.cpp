// Reading list-directed records of reals from text in memory: the item rules of
// list_items.h over a window of a file's text.
#include "recordio/list_text.h"

#include <algorithm>

#include "recordio/list_items.h"

namespace recordio {
namespace {

// The status a record stops with when its text reaches the end of a window that is not
// the end of the file. Negative and other than -1 (END): no read_failure, no END.
constexpr int needs_text_status = -2;

// A window of a file's text (see list_items.h). Its end is either the end of the file,
// which it meets as a unit meets it (the end-of-file flag), or the end of the text at hand,
// which stops the record.
class text_cursor {
 public:
  static constexpr bool short_decimal_first = true;

  text_cursor(const char* begin, const char* end, bool file_ends)
      : p_(begin), end_(end), file_ends_(file_ends) {}

  const char* pos() const { return p_; }
  const char* limit() const { return end_; }
  void move_to(const char* p) { p_ = p; }
  bool met_file_end() const { return met_file_end_; }
  bool stopped() const { return cut_; }
  int stop_status() const { return needs_text_status; }

  bool more() {
    if (file_ends_)
      met_file_end_ = true;
    else
      cut_ = true;
    return false;
  }

 private:
  const char* p_;
  const char* end_;
  bool file_ends_;
  bool met_file_end_ = false;
  bool cut_ = false;
};

// Whether [begin, end) is a range a record can be read from.
bool is_window(const char* begin, const char* end) {
  return (begin == nullptr) == (end == nullptr) && begin <= end;
}

}  // namespace

text_record read_list_record(const char* begin, const char* end, bool file_ends,
                             std::span<float> items) noexcept {
  text_record result;
  if (items.empty() || items.size() > max_text_record_items || !is_window(begin, end))
    return result;
  // Step 1: the statement, on a copy of the items so that a cut record leaves them as they
  // were.
  float values[max_text_record_items];
  std::copy(items.begin(), items.end(), values);
  text_cursor in{begin, end, file_ends};
  detail::list_scan list;
  int status = 0;
  for (std::size_t i = 0; i < items.size() && status == 0; ++i)
    status = detail::read_list_item(in, list, values[i]);
  if (status == 0) status = detail::finish_list_items(in, list);
  // Step 2: its outcome.
  if (in.stopped()) {
    result.outcome = text_outcome::needs_more;
    return result;
  }
  std::copy(values, values + items.size(), items.begin());
  if (status == 0) {
    result.outcome = text_outcome::record;
    result.used = static_cast<std::size_t>(in.pos() - begin);
  } else if (status < 0) {
    result.outcome = text_outcome::end;
  } else {
    result.outcome = text_outcome::failure;
    result.failure = static_cast<read_failure>(status);
    result.failure_offset = static_cast<std::size_t>(in.pos() - begin);
  }
  return result;
}

}  // namespace recordio
