// Formatted read statements with A edit descriptors, such as "(1A80)" and "(A40)".
#include "recordio/formatted_read.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "recordio/error_report.h"
#include "recordio/format_parser.h"
#include "recordio/recordio.h"
#include "recordio/statement.h"

namespace recordio {
namespace detail {
namespace {

// Where the formatted read in progress stands in its record.
field_scan& field() {
  return the_statement.field;
}

// Discards the rest of the current line and its newline; false when the file ends first.
bool discard_line(unit& u) {
  for (;;) {
    const void* newline = std::memchr(u.buf + u.head, '\n', u.tail - u.head);
    if (newline != nullptr) {
      u.head = static_cast<std::size_t>(static_cast<const char*>(newline) - u.buf) + 1;
      return true;
    }
    u.head = u.tail;
    if (take_input(u) == 0) return false;
  }
}

// Takes up to `count` characters of the current line into `to` (nullptr: skipped); stops
// before the newline. Returns the number taken.
std::size_t take_from_line(unit& u, char* to, std::size_t count) {
  field_scan& state = field();
  std::size_t taken = 0;
  while (taken < count && !state.line_ended) {
    if (take_input(u) == 0) {
      state.line_ended = true;
      state.file_ended = true;
      break;
    }
    char c = u.buf[u.head];
    if (c == '\n') {
      state.line_ended = true;
      break;
    }
    if (to != nullptr) to[taken] = c;
    ++taken;
    ++u.head;
  }
  return taken;
}

// Moves on to the next record.
void next_record(unit& u) {
  // A record the file ends inside is left behind all the same; the next read meets END.
  (void)discard_line(u);
  field() = field_scan{};
}

// The end of the file came before the field was complete: the END condition with an END
// exit (-1), else the report "fmt" / "end of file".
int end_inside_field() {
  field().at_end = true;
  if (!the_statement.end_exit) raise_error(error_kind::field_end_of_file);
  return -1;
}

// Receives the control descriptors met between items.
struct field_sink {
  unit& u;
  void text(std::string_view) { raise_error(error_kind::text_in_input_format); }
  void skip(int n) { take_from_line(u, nullptr, static_cast<std::size_t>(n)); }
  void slash() { next_record(u); }
  void revert() { next_record(u); }
};

// Checks that the current record exists: a record is missing only when the file has ended
// before any of its characters, its newline included.
bool find_record(unit& u) {
  if (field().record_found) return true;
  if (take_input(u) == 0) return false;
  field().record_found = true;
  return true;
}

// Reads one Aw field into `item`: w >= length takes the field's last `length` characters,
// a shorter field is followed by blanks.
void read_field(unit& u, std::span<char> item, int width) {
  const std::size_t w = width == 0 ? item.size() : static_cast<std::size_t>(width);
  if (w >= item.size()) {
    std::size_t before = w - item.size();
    take_from_line(u, nullptr, before);
    std::size_t got = take_from_line(u, item.data(), item.size());
    // A field cut short by the end of the line is blank-filled on its right; its
    // characters then sit at the start of the item.
    std::fill(item.begin() + static_cast<std::ptrdiff_t>(got), item.end(), ' ');
  } else {
    std::size_t got = take_from_line(u, item.data(), w);
    std::fill(item.begin() + static_cast<std::ptrdiff_t>(got), item.end(), ' ');
  }
}

}  // namespace

int formatted_read_item(std::span<char> item) {
  statement& s = the_statement;
  if (s.field.at_end) return -1;
  unit& u = *s.u;
  field_sink sink{u};
  const edit_descriptor* d = s.read_format.cursor.next_data(sink);
  if (d == nullptr) raise_error(error_kind::no_data_descriptor);
  if (d->letter != 'A') raise_error(error_kind::item_not_matching);
  if (!find_record(u)) return end_inside_field();
  read_field(u, item, d->width);
  // A field is complete once it has its w characters or has met the newline; a last line
  // without newline that is shorter than the field leaves it incomplete.
  if (s.field.file_ended) return end_inside_field();
  return 0;
}

int finish_formatted_read() {
  statement& s = the_statement;
  if (!s.field.at_end) {
    field_sink sink{*s.u};
    s.read_format.cursor.finish(sink);
    next_record(*s.u);
  }
  finish_statement();
  return 0;
}

}  // namespace detail

int start_formatted_read(int unit, std::string_view format, end_exit end) {
  using namespace detail;
  const detail::unit& u =
      start_statement(statement_kind::formatted_read, unit, format, end == end_exit::yes);
  the_statement.field.at_end = u.eof;
  return read_start_status(u, the_statement.end_exit);
}

}  // namespace recordio
