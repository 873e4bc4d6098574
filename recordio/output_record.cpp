// The record that the write statement in progress is assembling.
#include "recordio/output_record.h"

namespace recordio::detail {

output_record& current_output() noexcept {
  static output_record record;
  return record;
}

void begin_record(unit& target) noexcept {
  output_record& r = current_output();
  r.text.clear();
  r.target = &target;
  r.pending_skip = 0;
}

void end_record() {
  output_record& r = current_output();
  put_record(*r.target, r.text.data(), r.text.size());
  r.text.clear();
  r.pending_skip = 0;
}

}  // namespace recordio::detail
