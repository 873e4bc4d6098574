// The statement state kept for the error report.
#include "recordio/statement_state.h"

namespace recordio::detail {

statement_state the_statement;

void begin_statement(statement_kind kind, int unit, std::string_view format) {
  statement_state& s = current_statement();
  s.unit = unit;
  s.kind = kind;
  s.reading = kind == statement_kind::list_read || kind == statement_kind::formatted_read;
  if (kind == statement_kind::list_read || kind == statement_kind::list_write) {
    s.shown = format_shown::list_io;
  } else {
    s.shown = format_shown::format_text;
    s.format.assign(format);
  }
}

void end_statement() noexcept {
  statement_state& s = current_statement();
  s.kind = statement_kind::none;
  if (s.shown == format_shown::format_text) s.shown = format_shown::none;
}

}  // namespace recordio::detail
