// The common start of every data-transfer statement: its unit checked and turned.
#pragma once

#include <string_view>

#include "recordio/statement_state.h"
#include "recordio/unit_table.h"

namespace recordio::detail {

// Starts a statement of `kind` on unit `number` with `format` (empty for list-directed):
// records it for the error report, checks the unit and turns it to the statement's
// direction. A unit outside 0..99 ("illegal unit number") or not connected ("unit not
// connected") is reported with the tag "read start" or "write start".
unit& start_statement(statement_kind kind, int number, std::string_view format);

// Where a read statement starts on a unit whose end-of-file flag is set: the END condition.
// Returns 0 when the flag is clear, -1 (END) with an END exit; without one, the "read start"
// report ends the run.
int read_start_status(const unit& u, bool end_exit);

// Reports an item call that comes with no statement of a matching kind in progress.
[[noreturn]] void item_without_statement(bool reading) noexcept;

}  // namespace recordio::detail
