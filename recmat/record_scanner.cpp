// The log scanner of recmat: record selection, the marker test and the line formats.
#include "recmat/record_scanner.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "recmat/line_format.h"

namespace recmat {
namespace {

// A record line's format and the consecutive columns its stored values fill.
struct record_line_format {
  const char* format;
  int first_column;
};

// Lines 1 to 6; line 7 is read and dropped.
constexpr std::array<record_line_format, 6> record_line_formats = {{
    {"%f:%f:%f:%f:%f:%f", 1},  // date and time: 1997:05:12:10:30:15.5
    {"%f:%f:%f:%f", 7},
    {"%*f %f N %f", 11},  // first number dropped; N between the two kept
    {"%f", 13},
    {"%f %f %f %*d %*d %f %f", 14},  // the two integers are dropped
    {"%f %f %f %f %f", 19},
}};

// Reads record lines 1 to 7 into row `row`; lines 1 to 6 are parsed, line 7 is dropped.
// Returns false when the log ended before a line after the first, the row left incomplete.
bool take_record(log_reader& log, extraction_buffers& buffers, int row) {
  for (int line = 1; line <= record_lines; ++line) {
    if (line > 1 && log.at_end()) return false;
    // A read that stores nothing leaves the previous line in the buffer: not parsed again.
    if (log.read_line() && line < record_lines) parse_record_line(line, log.line(), buffers, row);
  }
  return true;
}

}  // namespace

void skiprecords(long long count, log_reader& log) {
  const long long lines = count > 0 ? record_lines * count : 0;  // count <= 2^31: no overflow
  for (long long i = 0; i < lines && !log.at_end(); ++i) log.read_line();
}

bool begins_with_marker(const char* line) {
  return std::strncmp(line, "1997:", 5) == 0;
}

void parse_record_line(int line, const char* text, extraction_buffers& buffers, int row) {
  if (line < 1 || line >= record_lines) return;
  const record_line_format& format = record_line_formats[static_cast<std::size_t>(line - 1)];
  line_values values{};
  const int stored = scan_line(format.format, text, values);
  for (int i = 0; i < stored; ++i)
    buffers.at(format.first_column + i, row) = values[static_cast<std::size_t>(i)];
}

int scan_log(log_reader& log, int stepsize, extraction_buffers& buffers) {
  const long long skipped_records = static_cast<long long>(stepsize) - 1;
  int row = 0;
  while (row < buffers.rows()) {
    if (log.at_end()) break;
    skiprecords(skipped_records, log);
    if (begins_with_marker(log.line())) {
      // Refuse the record that follows. With nothing skipped per step, drop that record
      // here, so the marker test never meets the same line twice without a read.
      if (skipped_records <= 0) skiprecords(1, log);
      continue;
    }
    if (!take_record(log, buffers, row)) break;
    ++row;
  }
  return row;
}

}  // namespace recmat
