// The log scanner of recmat: record selection, the marker test and the line formats.
#include "recmat/record_scanner.h"

#include <cstdio>
#include <cstring>

namespace recmat {
namespace {

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

bool begins_with_marker(const char* line) { return std::strncmp(line, "1997:", 5) == 0; }

void parse_record_line(int line, const char* text, extraction_buffers& buffers, int row) {
  auto at = [&](int column) { return &buffers.at(column, row); };
  switch (line) {
    case 1:  // date and time: 1997:05:12:10:30:15.5
      std::sscanf(text, "%f:%f:%f:%f:%f:%f", at(1), at(2), at(3), at(4), at(5), at(6));
      break;
    case 2:
      std::sscanf(text, "%f:%f:%f:%f", at(7), at(8), at(9), at(10));
      break;
    case 3:  // first number dropped; N between the two kept
      std::sscanf(text, "%*f %f N %f", at(11), at(12));
      break;
    case 4:
      std::sscanf(text, "%f", at(13));
      break;
    case 5:  // the two integers between the third and fourth value are dropped
      std::sscanf(text, "%f %f %f %*d %*d %f %f", at(14), at(15), at(16), at(17), at(18));
      break;
    case 6:
      std::sscanf(text, "%f %f %f %f %f", at(19), at(20), at(21), at(22), at(23));
      break;
    default:
      break;
  }
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
