// Where the next read on a unit starts, as a byte offset in its file.
#include <unistd.h>

#include "recordio/recordio.h"
#include "recordio/unit_table.h"

namespace recordio {

std::int64_t read_position(int unit_number) {
  const detail::unit* u = detail::find_unit(unit_number);
  if (u == nullptr || u->fd < 0 || !u->regular) return -1;
  const off_t file_position = lseek(u->fd, 0, SEEK_CUR);
  if (file_position < 0) return -1;
  // Input read ahead but not taken lies before the file position; output not yet handed
  // over goes to the file before the next read.
  const auto buffered = static_cast<std::int64_t>(u->tail - u->head);
  return static_cast<std::int64_t>(file_position) + (u->last_write ? buffered : -buffered);
}

}  // namespace recordio
