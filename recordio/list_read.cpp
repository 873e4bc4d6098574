// List-directed read statements: integers and reals with separators, null values, slash,
// repeat counts and END statuses.
#include "recordio/list_read.h"

#include <cstring>
#include <type_traits>

#include "recordio/error_report.h"
#include "recordio/number_scanner.h"
#include "recordio/recordio.h"
#include "recordio/statement_start.h"

namespace recordio {
namespace detail {
namespace {

// The list-directed read in progress.
struct list_read_state {
  unit* u = nullptr;
  bool end_exit = false;
  bool error_exit = false;
  bool stopped = false;   // END or a failure was met: further items return stop_status
  bool finished = false;  // a slash ended the statement: further items keep their values
  int stop_status = 0;    // 0 for END, or the read_failure of a statement with an error exit
  std::uint64_t repeat_left = 0;  // items still to take the repeated constant (or null)
  bool repeat_null = false;
  double repeat_number = 0;
  bool repeat_not_integer = false;
};

list_read_state state;

// A source that reads on through the unit's buffer refills, for values that straddle the
// end of a chunk.
struct unit_source {
  unit& u;
  static constexpr bool contiguous = false;
  int peek() {
    if (u.head < u.tail || refill(u) > 0) return static_cast<unsigned char>(u.buf[u.head]);
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
      if (c != ' ' && c != '\t' && c != '\n') return static_cast<unsigned char>(c);
      ++u.head;
    }
    if (refill(u) == 0) return -1;
  }
}

// After a value: blanks and tabs, then one comma as the separator.
void skip_separator(unit& u) {
  // Within the buffer at hand first; across a refill only when it runs out.
  while (u.head < u.tail && (u.buf[u.head] == ' ' || u.buf[u.head] == '\t')) ++u.head;
  if (u.head < u.tail) {
    if (u.buf[u.head] == ',') ++u.head;
    return;
  }
  unit_source in{u};
  int c = in.peek();
  while (c == ' ' || c == '\t') {
    in.advance();
    c = in.peek();
  }
  if (c == ',') in.advance();
}

// Scans one value at the unit's position: in the buffer as it stands when the value ends
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
int value_failure(read_failure failure) {
  if (!state.error_exit) {
    const failure_text text = describe(failure);
    raise_error(text.tag, text.message);
  }
  state.stopped = true;
  state.stop_status = static_cast<int>(failure);
  return state.stop_status;
}

int scan_failure(const scan_result& r) {
  return value_failure(failure_of_tag(r.error_tag));
}

// The END condition met while looking for an item.
int end_condition() {
  state.stopped = true;
  if (!state.end_exit) raise_error("list in", "end of file");
  return -1;
}

// Stores the number into the item; returns 0, or the status of a failure.
int store(std::int32_t& item, double number, bool not_integer) {
  if (not_integer) return value_failure(read_failure::invalid_integer);
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
  state.repeat_left = count - 1;
  state.repeat_null = r.outcome == scan_outcome::null;
  state.repeat_number = r.number;
  state.repeat_not_integer = r.not_integer;
  return r;
}

template <class Item>
int read_item(Item& item) {
  constexpr bool integer = std::is_same_v<Item, std::int32_t>;
  if (state.u == nullptr) item_without_statement(true);
  if (state.stopped) return state.stop_status > 0 ? state.stop_status : -1;
  if (state.finished) return 0;
  unit& u = *state.u;
  // Step 1: a pending repeat count serves this item without reading.
  if (state.repeat_left > 0) {
    --state.repeat_left;
    if (state.repeat_null) return 0;
    return store(item, state.repeat_number, state.repeat_not_integer);
  }
  // Step 2: the start of the item: end of file, slash, comma or a value.
  int c = skip_to_item(u);
  if (c < 0) return end_condition();
  if (c == '/') {
    ++u.head;
    state.finished = true;
    return 0;
  }
  if (c == ',') {
    ++u.head;
    return 0;
  }
  // Step 3: the value, with its repeat count if it has one; most reals take the fast path.
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
  if (r.outcome == scan_outcome::error) return scan_failure(r);
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
  unit* u = state.u;
  state = list_read_state{};
  end_statement();
  if (u == nullptr) item_without_statement(true);
  if (u->eof) return 0;
  // The rest of the line up to and including its newline.
  for (;;) {
    const void* newline = std::memchr(u->buf + u->head, '\n', u->tail - u->head);
    if (newline != nullptr) {
      u->head = static_cast<std::size_t>(static_cast<const char*>(newline) - u->buf) + 1;
      return 0;
    }
    u->head = u->tail;
    if (refill(*u) == 0) return -1;
  }
}

}  // namespace detail

int start_list_read(int unit, end_exit end) {
  using namespace detail;
  state = list_read_state{};
  detail::unit& u = start_statement(statement_kind::list_read, unit, {});
  state.u = &u;
  state.end_exit = end == end_exit::yes;
  state.stopped = u.eof;
  return read_start_status(u, state.end_exit);
}

int start_list_read(int unit, end_exit end, error_exit errors) {
  const int status = start_list_read(unit, end);
  detail::state.error_exit = errors == error_exit::yes;
  return status;
}

}  // namespace recordio
