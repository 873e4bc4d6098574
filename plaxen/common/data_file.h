// The data file as the companion programs load it: plaxen's own loader, with the failures
// that plaxen reports and aborts on returned as one line of text instead.
#pragma once

#include <string>
#include <string_view>

#include "plaxen/common/scattered_data.h"

namespace plaxen {

// The unit plaxen reads its data file on.
inline constexpr int data_unit = 11;

struct DataFile {
  std::string name;        // the file name as used: trailing blanks dropped, as plaxen does
  LoadResult load{};       // limits and state of the loading; points holds the records
  bool records_ignored{};  // more than max_records: the rest of the file is ignored
  std::string problem;     // empty when the file loaded; else one line (see load_data_file)
};

// The data file `path` names: `path` without its trailing blanks, as plaxen drops them
// from the name it reads.
std::string data_file_name(std::string_view path);

// Opens `path` on the data unit (trailing blanks dropped, as plaxen drops them from the
// name it reads) and loads it into `points` with load_scattered_data, exactly as plaxen
// does: the same records, the same single-precision values and limits. Where plaxen ends
// the run with its error report, `problem` names the trouble in one line instead:
//   "No such file or directory" (the system error text, also for a directory, and for a
//   file that opens but whose reading the system refuses: "Input/output error")
//   "line 57: invalid number in record 56: \"4.5 x7 1\""
// The line is the one holding the value that could not be read, its text cut after 80
// characters (control characters and broken UTF-8 shown as '?'); for a file that has no
// position to find it by (a pipe, a character device) only the record is named ("record 56:
// invalid number"). A FIFO or pipe is read to its end, once.
// Call it once per run.
DataFile load_data_file(std::string_view path);

}  // namespace plaxen
