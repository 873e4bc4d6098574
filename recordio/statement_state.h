// What the error report shows of the statement in progress: its unit, format and direction.
#pragma once

#include <string>
#include <string_view>

namespace recordio::detail {

// Which format the report names: none, the list-directed marker "list io", or the text of
// the current format.
enum class format_shown { none, list_io, format_text };

// The kind of the statement in progress, which the item calls follow.
enum class statement_kind { none, list_read, formatted_read, list_write, formatted_write };

// The one statement of the run that is in progress, or the last one (statements never nest).
struct statement_state {
  int unit = -1;  // unit of the statement (or OPEN) in progress or last used
  format_shown shown = format_shown::none;
  std::string format;   // the current format text while shown == format_text
  bool reading = true;  // direction of the most recent data-transfer statement
  statement_kind kind = statement_kind::none;  // none between statements
};

// The layer's only statement state.
extern statement_state the_statement;
inline statement_state& current_statement() noexcept {
  return the_statement;
}

// Records the start of a data-transfer statement of `kind` on `unit` with `format` (empty
// for list-directed statements; copied, allocating only for a longer text than before).
void begin_statement(statement_kind kind, int unit, std::string_view format);

// Records the end of a statement: a formatted statement leaves no format current, a
// list-directed one leaves "list io".
void end_statement() noexcept;

}  // namespace recordio::detail
