// The statement in progress: one object that the start call sets up, the item calls work
// through and the end call finishes. The error report reads what it shows from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recordio/error_kind.h"
#include "recordio/format_parser.h"
#include "recordio/list_scan.h"
#include "recordio/unit_table.h"

namespace recordio::detail {

// The kind of the statement in progress, which the item calls follow.
enum class statement_kind { none, list_read, formatted_read, list_write, formatted_write };

// Which format the report names: none, the list-directed marker "list io", or the text of
// the current format.
enum class format_shown { none, list_io, format_text };

// Where a formatted read stands in its record.
struct field_scan {
  bool at_end = false;        // END met: further items return -1
  bool record_found = false;  // the current record has been found to exist
  bool line_ended = false;    // the fields have reached its newline (not taken) or the end
  bool file_ended = false;    // the end of the file came before the newline of the record
};

// The record a write statement assembles. One for the whole run: the text grows as a record
// needs and keeps its capacity, so steady-state output allocates nothing.
struct output_record {
  std::string text;
  int pending_skip = 0;  // columns skipped by X, written as blanks only if text follows
};

// The one statement of the run that is in progress, or the last one (statements never
// nest). The first part belongs to the statement in progress and is set up anew by every
// start call; the second outlives it: the error report shows the unit, format and direction
// last used, and the formats and the record buffer keep what they parsed and allocated.
struct statement {
  statement_kind kind = statement_kind::none;  // none between statements
  unit* u = nullptr;                           // the statement's unit, while kind != none
  bool end_exit = false;
  bool error_exit = false;
  list_scan list;
  field_scan field;

  int unit_number = -1;  // unit of the statement, OPEN or CLOSE in progress or last used
  bool reading = true;   // direction of the most recent data-transfer statement
  format_shown shown = format_shown::none;
  cached_format read_format;  // each parsed once while the same text comes again
  cached_format write_format;
  output_record out;

  // The format of the formatted statement in progress (or the last one, of its direction).
  cached_format& format() noexcept { return reading ? read_format : write_format; }
  const cached_format& format() const noexcept { return reading ? read_format : write_format; }
};

// The layer's only statement state.
extern statement the_statement;

// Starts a statement of `kind` on unit `number`: sets up the statement object, makes
// `format` current (formatted kinds), checks the unit and turns it to the statement's
// direction. Reports, in this order: a unit outside 0..99 ("illegal unit number") or not
// connected ("unit not connected"), tagged "read start" or "write start"; a failure handing
// over the unit's pending output ("write"); a format that is refused ("fmt").
unit& start_statement(statement_kind kind, int number, std::string_view format = {},
                      bool end_exit = false, bool error_exit = false);

// Finishes the statement in progress: after a formatted statement no format is current,
// after a list-directed one "list io" stays.
inline void finish_statement() noexcept {
  statement& s = the_statement;
  s.kind = statement_kind::none;
  s.u = nullptr;
  if (s.shown == format_shown::format_text) s.shown = format_shown::none;
}

// Where a read statement starts on a unit whose end-of-file flag is set: the END condition.
// Returns 0 when the flag is clear, -1 (END) with an END exit; without one, the "read start"
// report ends the run.
int read_start_status(const unit& u, bool end_exit);

// Reports an item call that comes with no statement of a matching kind in progress.
[[noreturn]] void item_without_statement(bool reading) noexcept;

// The input of `u` for the statement in progress: the number of bytes unread, after taking
// in the next chunk (refill) when none are left; 0 at the end of the file. A failure of the
// system ends the run with the error report.
std::size_t take_input(unit& u);

// Hands a finished record to the statement's unit (`out.text` and a newline) and starts the
// next one empty (a pending skip is dropped). A failed hand-over is reported ("write").
void end_record();

// Writes the blanks of a pending skip; called before anything is written into the record.
inline void settle_skip(output_record& r) {
  if (r.pending_skip > 0) r.text.append(static_cast<std::size_t>(r.pending_skip), ' ');
  r.pending_skip = 0;
}

}  // namespace recordio::detail
