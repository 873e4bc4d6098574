// Reading a data file with plaxen's list-directed rules on several threads: every record,
// the same values and record boundaries as plaxen's own reading, handed on in file order.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plaxen/common/scattered_data.h"
#include "plaxen/engine/data_range.h"
#include "plaxen/grid/point_store.h"
#include "plaxen/grid/progress_line.h"

namespace plaxen::grid {

struct ReadSettings {
  std::array<int, 3> columns{1, 2, 3};  // fields of a record holding x, y and the value
  std::int64_t skip_lines = 0;          // lines before the records
  int threads = 1;
  // Bytes of text a worker takes at a time (at least 1); the records are the same for any
  // size. 256 KiB keeps every core busy, and keeps small the memory the windows' text and
  // records are written into: memory a process touches for the first time can cost more
  // than scanning the text (a reading of 1,000,000 records took 0.9 of its time with 512
  // KiB windows instead of 2 MiB, and 10,000,000 records 0.7).
  std::size_t window_bytes = std::size_t{1} << 18;
  // While it holds true, another task of the program has a core of its own (GDAL loading):
  // one worker fewer reads, so that the two do not take turns on the same cores.
  const std::atomic<bool>* core_taken = nullptr;
};

// What a reading found beside the records.
struct DataSummary {
  std::int64_t records = 0;
  DataLimits limits;           // as plaxen tracks them, record by record
  engine::value_range values;  // the values as the interpolation scans them
  std::int64_t bytes = 0;      // of the file
};

// Receives a run of records in file order; `first` is the 0-based index of its first.
// The run's arrays are valid during the call only.
using RecordTaker = std::function<void(const RecordRun& run, std::int64_t first)>;

class DataReader {
 public:
  // Opens `path` for reading. problem() says why it cannot be read (the system error text).
  DataReader(std::string path, ReadSettings settings);
  ~DataReader();
  DataReader(const DataReader&) = delete;
  DataReader& operator=(const DataReader&) = delete;

  const std::string& problem() const { return problem_; }
  // Whether the file can be read again from its start (a regular file).
  bool rereadable() const { return regular_; }
  // The file's size in bytes for a regular file, else 0.
  std::int64_t size() const { return size_; }
  // The mean length of the lines of the file's first megabyte, for estimates of its
  // record count; 0 when it cannot be read again or holds no newline there.
  std::int64_t bytes_per_line() const;

  // Reads the file from its start to its end: the text is cut into windows at line starts,
  // windows of plain records are read on every thread, the rest by the exact general rules
  // in file order; `take` gets every record in file order, on the calling thread. Returns
  // an empty string, or one line naming the first record that cannot be read, as "line 57:
  // invalid number in record 56: \"4.5 x7 1\"", or the system error of a failed read.
  // A regular file can be read again (the next call starts at its beginning). When `take`
  // throws, the reading stops, its threads end, and the exception goes on to the caller;
  // so does a thread that cannot start (std::system_error) or memory a worker cannot have
  // (std::bad_alloc).
  std::string read(const RecordTaker& take, DataSummary& summary, ProgressLine& progress);

  // Whether the file still has the size and the time of its last change that it had when
  // it was opened (always true for a file that cannot be read again): a file written to
  // in between, even with the same records in another order, is not the file read first.
  bool unchanged() const;

  // The line on which record `k` (0-based) has its first value, found by reading again the
  // part of the file that holds it; 0 when the file cannot be read again or holds no such
  // record.
  std::int64_t line_of_record(std::int64_t k);

 private:
  struct Landmark;  // where a run of records starts in the file
  class Pass;
  friend class Pass;

  std::string path_;
  ReadSettings settings_;
  int fd_ = -1;
  bool regular_ = false;
  std::int64_t size_ = 0;
  std::int64_t changed_ns_ = 0;  // the time of its last change when opened, in nanoseconds
  std::string problem_;
  std::vector<Landmark> landmarks_;
};

}  // namespace plaxen::grid
