// The statement in progress: its start, its end and the input and output it goes through.
#include "recordio/statement.h"

#include "recordio/error_report.h"

namespace recordio::detail {

statement the_statement;

unit& start_statement(statement_kind kind, int number, std::string_view format, bool end_exit,
                      bool error_exit) {
  statement& s = the_statement;
  // Step 1: what the report shows from now on.
  s.kind = kind;
  s.unit_number = number;
  s.reading = kind == statement_kind::list_read || kind == statement_kind::formatted_read;
  const bool list = kind == statement_kind::list_read || kind == statement_kind::list_write;
  s.shown = list ? format_shown::list_io : format_shown::format_text;
  const error_kind refused = list ? error_kind::none : s.format().start(format);
  // Step 2: the statement's own state.
  s.end_exit = end_exit;
  s.error_exit = error_exit;
  s.list = list_scan{};
  s.field = field_scan{};
  s.out.text.clear();
  s.out.pending_skip = 0;
  // Step 3: the unit, turned to the statement's direction.
  unit* u = find_unit(number);
  if (u == nullptr)
    raise_error(s.reading ? error_kind::read_illegal_unit : error_kind::write_illegal_unit);
  if (u->fd < 0)
    raise_error(s.reading ? error_kind::read_unit_not_connected
                          : error_kind::write_unit_not_connected);
  if (s.reading) {
    if (const unit_failure f = begin_reading(*u)) raise_failure(f);
  } else {
    begin_writing(*u);
  }
  s.u = u;
  if (refused != error_kind::none) raise_error(refused);
  return *u;
}

int read_start_status(const unit& u, bool end_exit) {
  if (!u.eof) return 0;
  if (!end_exit) raise_error(error_kind::read_start_end_of_file);
  return -1;
}

void item_without_statement(bool reading) noexcept {
  raise_error(reading ? error_kind::read_without_statement : error_kind::write_without_statement);
}

std::size_t take_input(unit& u) {
  if (u.head == u.tail) {
    if (const unit_failure f = refill(u)) raise_failure(f);
  }
  return u.tail - u.head;
}

void end_record() {
  statement& s = the_statement;
  if (const unit_failure f = put_record(*s.u, s.out.text.data(), s.out.text.size()))
    raise_failure(f);
  s.out.text.clear();
  s.out.pending_skip = 0;
}

}  // namespace recordio::detail
