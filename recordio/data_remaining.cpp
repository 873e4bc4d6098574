// Whether a unit being read holds any more data, for callers that stop reading at a capacity.
#include "recordio/recordio.h"
#include "recordio/unit_table.h"

namespace recordio {

bool has_more_data(int unit_number) {
  detail::unit* u = detail::find_unit(unit_number);
  if (u == nullptr || u->fd < 0 || u->eof) return false;
  detail::begin_reading(*u);
  for (;;) {
    for (; u->head < u->tail; ++u->head) {
      const char c = u->buf[u->head];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return true;
    }
    if (detail::refill(*u) == 0) return false;
  }
}

}  // namespace recordio
