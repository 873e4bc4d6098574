// The common case of list-directed reads, inline in the caller: a read statement on a unit
// that is ready for reading, real items in short plain form, and a line that ends after
// the last item. Everything else goes to the general path, out of line. Part of recordio.h,
// which includes it at its end.
#pragma once

#include <cstddef>

#include "recordio/plain_number.h"
#include "recordio/statement.h"

namespace recordio {
namespace detail {

// The general paths of start_list_read, read(float&) and end_read (see recordio.h).
int start_list_read_general(int unit, bool end_exit, bool error_exit);
int read_general(float& item);
int end_read_general();

// Whether `c` is a blank or tab, the characters that separate values within a line.
inline bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// The fast path of a real item, for the common case of a short plain constant: from the
// unit's position, blanks, tabs and newlines, then a constant that scan_short_decimal
// takes, then blanks or tabs and an optional comma, all inside the chunk at hand, at least
// short_decimal_lookahead bytes before its end, and with nothing of the statement pending
// (no repetition, slash, END or failure). Stores the value, moves the position past the
// separator and returns true; otherwise changes nothing and returns false, and the general
// path reads the item exactly as it would have.
inline bool read_short_real(statement& s, float& item) {
  if (!s.list.reads_text()) return false;
  unit& u = *s.u;
  const char* p = u.buf + u.head;
  const char* const end = u.buf + u.tail;
  while (p < end && (is_blank(*p) || *p == '\n')) ++p;
  if (end - p < short_decimal_lookahead) return false;
  double number = 0;
  const char* after = scan_short_decimal(p, number);
  if (after == nullptr) return false;
  while (after < end && is_blank(*after)) ++after;
  if (after == end) return false;  // the separator may go on in the next chunk
  if (*after == ',') ++after;
  item = static_cast<float>(number);
  u.head = static_cast<std::size_t>(after - u.buf);
  return true;
}

// The fast path of the end call when the value read last ended its line: takes the newline
// and finishes the statement. Returns false, changing nothing, in every other case.
inline bool finish_at_newline(statement& s) {
  if (s.list.stop_status != 0) return false;
  unit& u = *s.u;
  if (u.head == u.tail || u.buf[u.head] != '\n') return false;
  ++u.head;
  finish_statement();
  return true;
}

}  // namespace detail

inline int start_list_read(int unit, end_exit end, error_exit errors) {
  using namespace detail;
  detail::unit* u = find_unit(unit);
  // A unit that needs checking or turning, or that is at its end, takes the general path.
  if (u == nullptr || u->fd < 0 || u->last_write || u->eof)
    return start_list_read_general(unit, end == end_exit::yes, errors == error_exit::yes);
  statement& s = the_statement;
  s.kind = statement_kind::list_read;
  s.u = u;
  s.end_exit = end == end_exit::yes;
  s.error_exit = errors == error_exit::yes;
  s.list = list_scan{};
  s.unit_number = unit;
  s.reading = true;
  s.shown = format_shown::list_io;
  return 0;
}

inline int read(float& item) {
  detail::statement& s = detail::the_statement;
  if (s.kind == detail::statement_kind::list_read && detail::read_short_real(s, item)) return 0;
  return detail::read_general(item);
}

inline int end_read() {
  detail::statement& s = detail::the_statement;
  if (s.kind == detail::statement_kind::list_read && detail::finish_at_newline(s)) return 0;
  return detail::end_read_general();
}

}  // namespace recordio
