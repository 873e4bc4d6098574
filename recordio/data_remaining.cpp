// What the input of a unit holds beyond what its statements read: more data after a
// capacity, carriage returns that end no record.
#include "recordio/error_report.h"
#include "recordio/recordio.h"
#include "recordio/statement.h"

namespace recordio {

bool has_more_data(int unit_number) {
  detail::unit* u = detail::find_unit(unit_number);
  if (u == nullptr || u->fd < 0 || u->eof) return false;
  if (const detail::unit_failure f = detail::begin_reading(*u)) detail::raise_failure(f);
  for (;;) {
    for (; u->head < u->tail; ++u->head) {
      const char c = u->buf[u->head];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return true;
    }
    if (detail::take_input(*u) == 0) return false;
  }
}

bool holds_bare_carriage_return(int unit_number) {
  const detail::unit* u = detail::find_unit(unit_number);
  return u != nullptr && u->fd >= 0 && u->lone_cr;
}

}  // namespace recordio
