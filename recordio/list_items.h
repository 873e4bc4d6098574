// The rules of list-directed input, item by item, over any source of text: the one
// implementation that reads from units and from text in memory alike.
//
// A Cursor is the text being read. It offers the bytes at hand and a way to get more:
//   const char* pos() const, limit() const   the bytes at hand, [pos, limit)
//   void move_to(const char* p)              takes the bytes before p (pos <= p <= limit)
//   bool more()                              with pos == limit: brings in more bytes (true),
//                                            or meets the end of what it can give (false)
//   bool met_file_end() const                the end of the file has been met (a unit's
//                                            end-of-file flag)
//   bool stopped() const, int stop_status()  the source ended the statement on its own (a
//                                            read the system refused, a window too short);
//                                            the items then return stop_status()
//   static constexpr bool short_decimal_first  try scan_short_decimal before the other scans
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "recordio/error_kind.h"
#include "recordio/list_scan.h"
#include "recordio/number_scanner.h"
#include "recordio/plain_number.h"

namespace recordio::detail {

// The next byte, bringing in more when none is at hand; -1 at the end.
template <class Cursor>
int peek_byte(Cursor& in) {
  if (in.pos() == in.limit() && !in.more()) return -1;
  return static_cast<unsigned char>(*in.pos());
}

// A value source (see scan_value) that reads on across the cursor's refills.
template <class Cursor>
struct cursor_source {
  Cursor& in;
  static constexpr bool contiguous = false;
  int peek() { return peek_byte(in); }
  void advance() { in.move_to(in.pos() + 1); }
};

// Skips blanks, tabs and newlines; returns the next byte (not taken), or -1 at the end.
template <class Cursor>
int skip_to_item(Cursor& in) {
  for (;;) {
    const char* p = in.pos();
    const char* const end = in.limit();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
    in.move_to(p);
    if (p < end) return static_cast<unsigned char>(*p);
    if (!in.more()) return -1;
  }
}

// After a value: blanks and tabs, then one comma as the separator.
template <class Cursor>
void skip_separator(Cursor& in) {
  int c = peek_byte(in);
  while (c == ' ' || c == '\t') {
    in.move_to(in.pos() + 1);
    c = peek_byte(in);
  }
  if (c == ',') in.move_to(in.pos() + 1);
}

// Discards the rest of the line up to and including its newline. 0, or -1 when the end
// came first.
template <class Cursor>
int discard_line(Cursor& in) {
  for (;;) {
    const char* const p = in.pos();
    if (p < in.limit()) {
      const void* newline = std::memchr(p, '\n', static_cast<std::size_t>(in.limit() - p));
      if (newline != nullptr) {
        in.move_to(static_cast<const char*>(newline) + 1);
        return 0;
      }
      in.move_to(in.limit());
    }
    if (!in.more()) return -1;
  }
}

// Scans one value at the cursor: in the bytes at hand when the value ends among them (or
// the end of the file has been met), else again from its start across refills.
template <class Cursor>
scan_result scan_at(Cursor& in, bool integer, bool after_count) {
  span_source chunk{in.pos(), in.limit()};
  scan_result r = scan_value(chunk, integer, after_count);
  if (!chunk.hit_end || in.met_file_end()) {
    in.move_to(chunk.p);
    return r;
  }
  cursor_source<Cursor> stream{in};
  return scan_value(stream, integer, after_count);
}

// A real constant in a plain form that ends among the bytes at hand, read straight: the
// short decimal form first where the cursor asks for it, then scan_plain_real. Stores it
// and returns true; else changes nothing and returns false.
template <class Cursor>
bool take_plain_real(Cursor& in, float& item) {
  const char* const p = in.pos();
  const char* const end = in.limit();
  double number = 0;
  const char* after = nullptr;
  if constexpr (Cursor::short_decimal_first) {
    if (end - p >= short_decimal_lookahead) after = scan_short_decimal(p, number);
  }
  if (after == nullptr && !scan_plain_real(p, end, number, after)) return false;
  in.move_to(after);
  item = static_cast<float>(number);
  return true;
}

// Ends the statement's reading with `status`: further items return it.
inline int stop_items(list_scan& list, int status) {
  list.stop_status = status;
  return status;
}

// Stores the number into the item; returns 0, or the status of a failure.
inline int store_number(list_scan& list, std::int32_t& item, double number, bool not_integer) {
  if (not_integer) return stop_items(list, static_cast<int>(error_kind::invalid_integer));
  // Truncation toward zero; values beyond the 32-bit range saturate.
  if (number >= 2147483648.0)
    item = INT32_MAX;
  else if (number <= -2147483649.0)
    item = INT32_MIN;
  else
    item = static_cast<std::int32_t>(number);
  return 0;
}

inline int store_number(list_scan&, float& item, double number, bool) {
  item = static_cast<float>(number);
  return 0;
}

// Takes a repeat count: the constant (or null) after it serves `count` items. A constant
// that cannot be read comes back as the error outcome, with no count pending.
template <class Cursor>
scan_result take_repeat(Cursor& in, list_scan& list, std::uint64_t count, bool integer) {
  const int c = peek_byte(in);
  scan_result r;
  r.outcome = scan_outcome::null;
  if (c != ' ' && c != '\t' && c != '\n' && c != ',' && c != '/' && c >= 0)
    r = scan_at(in, integer, true);
  if (r.outcome == scan_outcome::error || in.stopped()) return r;
  list.repeat_left = count - 1;
  list.repeat_null = r.outcome == scan_outcome::null;
  list.repeat_number = r.number;
  list.repeat_not_integer = r.not_integer;
  return r;
}

// The steps of one item; read_list_item below adds the source's own stop.
template <class Cursor, class Item>
int read_item_steps(Cursor& in, list_scan& list, Item& item) {
  constexpr bool integer = std::is_same_v<Item, std::int32_t>;
  if (list.stop_status != 0) return list.stop_status;
  if (list.finished) return 0;
  // Step 1: a pending repeat count serves this item without reading.
  if (list.repeat_left > 0) {
    --list.repeat_left;
    if (list.repeat_null) return 0;
    return store_number(list, item, list.repeat_number, list.repeat_not_integer);
  }
  // Step 2: the start of the item: the end (the END condition), slash, comma or a value.
  const int c = skip_to_item(in);
  if (c < 0) return in.stopped() ? 0 : stop_items(list, -1);
  if (c == '/' || c == ',') {
    in.move_to(in.pos() + 1);
    list.finished = c == '/';
    return 0;
  }
  // Step 3: the value, with its repeat count if it has one; reals in plain form straight.
  if constexpr (!integer) {
    if (take_plain_real(in, item)) {
      skip_separator(in);
      return 0;
    }
  }
  scan_result r = scan_at(in, integer, false);
  if (r.outcome == scan_outcome::repeat && !in.stopped())
    r = take_repeat(in, list, r.repeat, integer);
  if (in.stopped()) return 0;  // nothing stored from a scan the source cut short
  if (r.outcome == scan_outcome::error) return stop_items(list, static_cast<int>(r.error));
  if (r.outcome == scan_outcome::value) {
    // A failure leaves the position after the value, on its line.
    if (const int status = store_number(list, item, r.number, r.not_integer)) return status;
  }
  // Step 4: the separator after it.
  skip_separator(in);
  return 0;
}

// One item of a list-directed read: reads it from `in` under the rules and stores it, or
// leaves it unchanged (null value, slash, END). Returns 0; -1 for the END condition (the
// end of the file met while looking for the item); the error_kind number of a value that
// cannot be read (invalid_number, exponent_field, bad_repetition_count, invalid_integer);
// or the cursor's stop_status() when the source stopped. Every nonzero status is kept in
// `list` and returned again by later items without reading.
template <class Cursor, class Item>
int read_list_item(Cursor& in, list_scan& list, Item& item) {
  const int status = read_item_steps(in, list, item);
  if (in.stopped()) [[unlikely]]
    return stop_items(list, in.stop_status());
  return status;
}

// The end of a list-directed read: discards the rest of the current line, its newline
// included. Returns 0; -1 when the end of the file came while discarding (unless it had
// been met before, by the statement's last value or separator); after a failed item that
// item's status, discarding nothing; or the cursor's stop_status() when the source stopped.
template <class Cursor>
int finish_list_items(Cursor& in, const list_scan& list) {
  if (list.stop_status != 0 && list.stop_status != -1) return list.stop_status;
  if (in.met_file_end()) return 0;
  const int status = discard_line(in);
  if (in.stopped()) [[unlikely]]
    return in.stop_status();
  return status;
}

}  // namespace recordio::detail
