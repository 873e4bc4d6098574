// Stepping through the log in seven-line records and parsing the records taken.
#pragma once

#include "recmat/extraction_buffers.h"
#include "recmat/log_reader.h"

namespace recmat {

// Lines of one log record.
inline constexpr int record_lines = 7;

// Reads and drops record_lines * count lines of `log` (nothing when count is 0 or less),
// leaving the last line read in the log's buffer. Stops early once the log has ended, as
// any further read would store nothing. Throws fatal_error on a read error.
void skiprecords(long long count, log_reader& log);

// True when `line` begins with the record marker "1997:": the record after it is refused.
bool begins_with_marker(const char* line);

// Parses the text of record line `line` (1 to 6) into the columns that line fills, at
// row `row` of `buffers`, with sscanf and the line's format. Values after the first
// mismatch are not stored; their columns keep what they held.
void parse_record_line(int line, const char* text, extraction_buffers& buffers, int row);

// Scans `log` from its current position, taking one record in every `stepsize` (every
// record when stepsize is 1 or less) into successive rows of `buffers`, and refusing a
// record whose preceding line begins with the marker. Stops when every row is taken or the
// log has ended. Returns the number of rows completed. Throws fatal_error on a read error.
int scan_log(log_reader& log, int stepsize, extraction_buffers& buffers);

}  // namespace recmat
