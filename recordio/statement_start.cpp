// The common start of every data-transfer statement.
#include "recordio/statement_start.h"

#include "recordio/error_report.h"

namespace recordio::detail {

unit& start_statement(statement_kind kind, int number, std::string_view format) {
  begin_statement(kind, number, format);
  const bool reading = current_statement().reading;
  const char* tag = reading ? "read start" : "write start";
  unit* u = find_unit(number);
  if (u == nullptr) raise_error(tag, "illegal unit number");
  if (u->fd < 0) raise_error(tag, "unit not connected");
  if (reading)
    begin_reading(*u);
  else
    begin_writing(*u);
  return *u;
}

void item_without_statement(bool reading) noexcept {
  raise_error(reading ? "read" : "write", "no statement in progress");
}

int read_start_status(const unit& u, bool end_exit) {
  if (!u.eof) return 0;
  if (!end_exit) raise_error("read start", "end of file");
  return -1;
}

}  // namespace recordio::detail
