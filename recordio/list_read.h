// List-directed read statements: integers and reals with separators, null values, slash,
// repeat counts and END statuses.
#pragma once

#include <cstdint>

#include "recordio/number_scanner.h"
#include "recordio/statement.h"

namespace recordio::detail {

// The item calls of a list-directed read statement in progress (see recordio.h), on the
// exact general path. Return 0, -1 for the END condition of a statement with an END exit,
// or the read_failure of a statement with an error exit. Without an error exit failures are
// reported with the tags "invalid number", "exponent field", "bad repetition count"
// (message "incomprehensible list input") and "invalid integer" ("read unexpected
// character"); without an END exit the end of the file with "list in" ("end of file").
int list_read_item(std::int32_t& item);
int list_read_item(float& item);

// Ends the statement: discards the rest of the line. 0, or -1 when the end of the file came
// while discarding (unless the unit's end-of-file flag was set before). After a failure it
// discards nothing and returns the failure's status.
int finish_list_read();

// Whether `c` is a blank or tab, the characters that separate values within a line.
inline bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// The fast path of a real item, for the common case of a plain constant: from the unit's
// position, blanks, tabs and newlines, then a constant that scan_plain_real takes, then
// blanks or tabs and an optional comma, all inside the chunk at hand and with nothing of
// the statement pending (no repetition, slash, END or failure). Stores the value, moves
// the position past the separator and returns true; otherwise changes nothing and returns
// false, and the general path reads the item exactly as it would have.
inline bool read_plain_real(statement& s, float& item) {
  if (!s.list.reads_text()) return false;
  unit& u = *s.u;
  const char* p = u.buf + u.head;
  const char* const end = u.buf + u.tail;
  while (p < end && (is_blank(*p) || *p == '\n')) ++p;
  double number = 0;
  const char* after = nullptr;
  if (!scan_plain_real(p, end, number, after)) return false;
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

}  // namespace recordio::detail
