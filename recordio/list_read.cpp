// List-directed read statements on units: the item rules of list_items.h over a unit's
// chunks, with the error report where a statement has no END or error exit.
#include "recordio/list_read.h"

#include "recordio/error_report.h"
#include "recordio/list_items.h"
#include "recordio/recordio.h"

namespace recordio {
namespace detail {
namespace {

// The text of a unit, chunk by chunk (see list_items.h). A read the system refuses ends
// the run with the error report, or, in a statement with an error exit, stops the
// statement with the status read_error and keeps the system error number in the unit.
class unit_cursor {
 public:
  static constexpr bool short_decimal_first = false;  // the inline path has tried it

  unit_cursor(unit& u, bool error_exit) : u_(u), error_exit_(error_exit) {}

  const char* pos() const { return u_.buf + u_.head; }
  const char* limit() const { return u_.buf + u_.tail; }
  void move_to(const char* p) { u_.head = static_cast<std::size_t>(p - u_.buf); }
  bool met_file_end() const { return u_.eof; }
  bool stopped() const { return refused_; }
  int stop_status() const { return static_cast<int>(read_failure::read_error); }

  bool more() {
    if (refused_) return false;
    if (const unit_failure f = refill(u_)) {
      if (f.kind != error_kind::read_failed || !error_exit_) raise_failure(f);
      u_.read_error = f.error_number;
      refused_ = true;
      return false;
    }
    return u_.head < u_.tail;
  }

 private:
  unit& u_;
  bool error_exit_;
  bool refused_ = false;
};

// One item of the statement in progress; the END condition and the values that cannot be
// read end the run with the report where the statement has no exit for them.
template <class Item>
int read_unit_item(Item& item) {
  statement& s = the_statement;
  unit_cursor in{*s.u, s.error_exit};
  const int status = read_list_item(in, s.list, item);
  if (status < 0 && !s.end_exit) raise_error(error_kind::list_end_of_file);
  if (status > 0 && !s.error_exit) raise_error(static_cast<error_kind>(status));
  return status;
}

}  // namespace

int list_read_item(std::int32_t& item) {
  return read_unit_item(item);
}
int list_read_item(float& item) {
  return read_unit_item(item);
}

int finish_list_read() {
  statement& s = the_statement;
  unit_cursor in{*s.u, s.error_exit};
  const list_scan list = s.list;
  finish_statement();
  return finish_list_items(in, list);
}

}  // namespace detail

int detail::start_list_read_general(int unit, bool end_exit, bool error_exit) {
  const detail::unit& u =
      start_statement(statement_kind::list_read, unit, {}, end_exit, error_exit);
  the_statement.list.stop_status = u.eof ? -1 : 0;
  return read_start_status(u, end_exit);
}

}  // namespace recordio
