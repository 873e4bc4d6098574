// The system's text for the last read of a unit that it refused under an error exit.
#include <cstring>

#include "recordio/recordio.h"
#include "recordio/unit_table.h"

namespace recordio {

std::string_view read_error_text(int unit_number) {
  const detail::unit* u = detail::find_unit(unit_number);
  if (u == nullptr || u->read_error == 0) return {};
  return std::strerror(u->read_error);
}

}  // namespace recordio
