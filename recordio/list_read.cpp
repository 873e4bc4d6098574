// List-directed read statements: integers and reals with separators, null values, slash,
// repeat counts and END statuses.
#include "recordio/list_read.h"

#include <cstring>
#include <type_traits>

#include "recordio/error_report.h"
#include "recordio/recordio.h"

namespace recordio {
namespace detail {
namespace {

// A source that reads on through the unit's chunks, for values that straddle the end of
// a chunk.
struct unit_source {
  unit& u;
  static constexpr bool contiguous = false;
  int peek() {
    if (take_input(u) > 0) return static_cast<unsigned char>(u.buf[u.head]);
    return -1;
  }
  void advance() { ++u.head; }
};

// Skips blanks, tabs and newlines; returns the next character (not taken), or -1 at the
// end of the file.
int skip_to_item(unit& u) {
  for (;;) {
    while (u.head < u.tail) {
      char c = u.buf[u.head];
      if (!is_blank(c) && c != '\n') return static_cast<unsigned char>(c);
      ++u.head;
    }
    if (take_input(u) == 0) return -1;
  }
}

// After a value: blanks and tabs, then one comma as the separator.
void skip_separator(unit& u) {
  unit_source in{u};
  int c = in.peek();
  while (c == ' ' || c == '\t') {
    in.advance();
    c = in.peek();
  }
  if (c == ',') in.advance();
}

// Scans one value at the unit's position: in the chunk as it stands when the value ends
// inside it, else again across refills.
scan_result scan_at(unit& u, bool integer, bool after_count) {
  span_source chunk{u.buf + u.head, u.buf + u.tail};
  scan_result r = scan_value(chunk, integer, after_count);
  if (!chunk.hit_end || u.eof) {
    u.head = static_cast<std::size_t>(chunk.p - u.buf);
    return r;
  }
  unit_source stream{u};
  return scan_value(stream, integer, after_count);
}

// A value that cannot be read: with an error exit the statement stops and returns the
// failure's status; without one the error report ends the run.
int value_failure(error_kind kind) {
  statement& s = the_statement;
  if (!s.error_exit) raise_error(kind);
  s.list.stop_status = static_cast<int>(kind);  // the read_failure of the same number
  return s.list.stop_status;
}

// The END condition met while looking for an item.
int end_condition() {
  statement& s = the_statement;
  s.list.stop_status = -1;
  if (!s.end_exit) raise_error(error_kind::list_end_of_file);
  return -1;
}

// Stores the number into the item; returns 0, or the status of a failure.
int store(std::int32_t& item, double number, bool not_integer) {
  if (not_integer) return value_failure(error_kind::invalid_integer);
  // Truncation toward zero; values beyond the 32-bit range saturate.
  if (number >= 2147483648.0)
    item = INT32_MAX;
  else if (number <= -2147483649.0)
    item = INT32_MIN;
  else
    item = static_cast<std::int32_t>(number);
  return 0;
}

int store(float& item, double number, bool) {
  item = static_cast<float>(number);
  return 0;
}

// Takes a repeat count: the constant (or null) after it serves `count` items. A constant
// that cannot be read comes back as the error outcome, with no count pending.
scan_result take_repeat(unit& u, std::uint64_t count, bool integer) {
  unit_source in{u};
  int c = in.peek();
  scan_result r;
  r.outcome = scan_outcome::null;
  if (c != ' ' && c != '\t' && c != '\n' && c != ',' && c != '/' && c >= 0)
    r = scan_at(u, integer, true);
  if (r.outcome == scan_outcome::error) return r;
  list_scan& list = the_statement.list;
  list.repeat_left = count - 1;
  list.repeat_null = r.outcome == scan_outcome::null;
  list.repeat_number = r.number;
  list.repeat_not_integer = r.not_integer;
  return r;
}

template <class Item>
int read_item(Item& item) {
  constexpr bool integer = std::is_same_v<Item, std::int32_t>;
  statement& s = the_statement;
  list_scan& list = s.list;
  if (list.stop_status != 0) return list.stop_status;
  if (list.finished) return 0;
  unit& u = *s.u;
  // Step 1: a pending repeat count serves this item without reading.
  if (list.repeat_left > 0) {
    --list.repeat_left;
    if (list.repeat_null) return 0;
    return store(item, list.repeat_number, list.repeat_not_integer);
  }
  // Step 2: the start of the item: end of file, slash, comma or a value.
  int c = skip_to_item(u);
  if (c < 0) return end_condition();
  if (c == '/') {
    ++u.head;
    list.finished = true;
    return 0;
  }
  if (c == ',') {
    ++u.head;
    return 0;
  }
  // Step 3: the value, with its repeat count if it has one; most other reals in plain form
  // go straight to fast_float.
  if constexpr (!integer) {
    double number = 0;
    const char* after = nullptr;
    if (scan_plain_real(u.buf + u.head, u.buf + u.tail, number, after)) {
      u.head = static_cast<std::size_t>(after - u.buf);
      item = static_cast<float>(number);
      skip_separator(u);
      return 0;
    }
  }
  scan_result r = scan_at(u, integer, false);
  if (r.outcome == scan_outcome::repeat) r = take_repeat(u, r.repeat, integer);
  if (r.outcome == scan_outcome::error) return value_failure(r.error);
  if (r.outcome == scan_outcome::value) {
    // A failure leaves the position after the value, on its line.
    if (const int status = store(item, r.number, r.not_integer); status != 0) return status;
  }
  // Step 4: the separator after it.
  skip_separator(u);
  return 0;
}

}  // namespace

int list_read_item(std::int32_t& item) {
  return read_item(item);
}
int list_read_item(float& item) {
  return read_item(item);
}

int finish_list_read() {
  statement& s = the_statement;
  unit& u = *s.u;
  const int failed = s.list.stop_status > 0 ? s.list.stop_status : 0;
  finish_statement();
  // A failed statement leaves the position where the failure was met.
  if (failed != 0) return failed;
  if (u.eof) return 0;
  // The rest of the line up to and including its newline.
  for (;;) {
    const void* newline = std::memchr(u.buf + u.head, '\n', u.tail - u.head);
    if (newline != nullptr) {
      u.head = static_cast<std::size_t>(static_cast<const char*>(newline) - u.buf) + 1;
      return 0;
    }
    u.head = u.tail;
    if (take_input(u) == 0) return -1;
  }
}

}  // namespace detail

int detail::start_list_read_general(int unit, bool end_exit, bool error_exit) {
  const detail::unit& u =
      start_statement(statement_kind::list_read, unit, {}, end_exit, error_exit);
  the_statement.list.stop_status = u.eof ? -1 : 0;
  return read_start_status(u, end_exit);
}

}  // namespace recordio
