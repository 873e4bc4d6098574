// The record that the write statement in progress is assembling.
#pragma once

#include <string>

#include "recordio/unit_table.h"

namespace recordio::detail {

// One record at a time for the whole run: the text grows as a record needs and keeps its
// capacity, so steady-state output allocates nothing.
struct output_record {
  std::string text;
  unit* target = nullptr;  // the unit the record goes to
  int pending_skip = 0;    // columns skipped by X, written as blanks only if text follows
};

output_record& current_output() noexcept;

// Starts an empty record for `target`.
void begin_record(unit& target) noexcept;

// Writes the blanks of a pending skip; called before anything is written into the record.
inline void settle_skip(output_record& r) {
  if (r.pending_skip > 0) r.text.append(static_cast<std::size_t>(r.pending_skip), ' ');
  r.pending_skip = 0;
}

// Ends the record: hands it and its newline to the unit and starts the next one empty (a
// pending skip is dropped).
void end_record();

}  // namespace recordio::detail
