// The data file read in windows: plain windows parsed on worker threads, everything handed
// on in file order by the calling thread, which reads what is not plain by the exact rules.
#include "plaxen/grid/data_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>

#include "plaxen/common/large_array.h"
#include "plaxen/common/limits_tracker.h"
#include "plaxen/common/shown_text.h"
#include "recordio/list_text.h"
#include "recordio/plain_records.h"

namespace plaxen::grid {

struct DataReader::Landmark {
  std::int64_t offset = 0;        // where a record starts in the file
  std::int64_t first_record = 0;  // its index
  std::int64_t line = 1;          // the line that starts at `offset`
  std::int64_t lined = 0;         // records from there on that are one a line, no line between
};

namespace {

// Records read by the general rules that are handed on together.
constexpr std::size_t kept_records = std::size_t{1} << 16;

std::int64_t changed_ns(const struct stat& st) {
  return std::int64_t(st.st_mtim.tv_sec) * 1000000000 + std::int64_t(st.st_mtim.tv_nsec);
}

std::int64_t newlines_in(const char* begin, const char* end) {
  return std::count(begin, end, '\n');
}

int items_per_record(const ReadSettings& s) {
  return std::max({s.columns[0], s.columns[1], s.columns[2]});
}

// The plain records of [begin, end) from its start, their picked items stored from index
// `first` of x, y and z, which grow as the records need (from a few thousand, doubling, so
// that they take about what the records take); what the scans did, together.
recordio::plain_scan scan_plain(const char* begin, const char* end, const ReadSettings& s,
                                std::vector<float>& x, std::vector<float>& y, std::vector<float>& z,
                                std::size_t first) {
  const int count = items_per_record(s);
  recordio::plain_scan total;
  for (;;) {
    const std::size_t at = first + total.records;
    if (x.size() < at + 4096)
      for (std::vector<float>* v : {&x, &y, &z}) v->resize(std::max(2 * v->size(), at + 4096));
    const std::size_t room = x.size() - at;
    const recordio::plain_pick picks[] = {{s.columns[0], x.data() + at},
                                          {s.columns[1], y.data() + at},
                                          {s.columns[2], z.data() + at}};
    const recordio::plain_scan scan =
        recordio::scan_plain_records(begin + total.used, end, count, picks, room);
    total.used += scan.used;
    total.records += scan.records;
    total.newlines += scan.newlines;
    if (scan.records < room) return total;  // stopped by the text, not by the room
  }
}

// Text read from the file into memory that is kept from window to window: it grows to what
// the largest window needs and is never cleared or zero-filled first. What the file gives
// is read to a page boundary, the text carried over from the window before placed just
// ahead of it: the kernel copies into page-aligned memory several times faster than into
// memory at any other offset.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(TextBuffer&& other) noexcept { swap(other); }
  TextBuffer& operator=(TextBuffer&& other) noexcept {
    swap(other);
    return *this;
  }
  ~TextBuffer() { free_large(base_, capacity_); }

  char* data() { return base_ + begin_; }
  const char* data() const { return base_ + begin_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const char* begin() const { return data(); }
  const char* end() const { return data() + size_; }

  void clear() {
    begin_ = 0;
    size_ = 0;
  }
  // Starts the text with `carry`, placed so that the text that follows it starts a page.
  void assign(std::string_view carry) {
    begin_ = (page - carry.size() % page) % page;
    size_ = 0;
    if (!carry.empty()) std::memcpy(extend(carry.size()), carry.data(), carry.size());
  }
  // Makes room for n more bytes after the text and returns where they go; they count as
  // text until shrink() takes back what was not filled.
  char* extend(std::size_t n) {
    if (begin_ + size_ + n > capacity_) grow(begin_ + size_ + n);
    size_ += n;
    return data() + size_ - n;
  }
  void shrink(std::size_t size) { size_ = std::min(size, size_); }
  void drop_front(std::size_t n) {
    begin_ += n;
    size_ -= n;
  }
  // The position of the first (last) newline, or npos.
  std::size_t first_newline() const {
    const void* p = size_ > 0 ? std::memchr(data(), '\n', size_) : nullptr;
    return p == nullptr ? std::string::npos : std::size_t(static_cast<const char*>(p) - data());
  }
  std::size_t last_newline() const {
    const void* p = size_ > 0 ? memrchr(data(), '\n', size_) : nullptr;
    return p == nullptr ? std::string::npos : std::size_t(static_cast<const char*>(p) - data());
  }

 private:
  static constexpr std::size_t page = 4096;

  void grow(std::size_t needed) {
    const std::size_t capacity = (std::max(needed, 2 * capacity_) + page - 1) / page * page;
    char* grown = static_cast<char*>(allocate_large(capacity, Access::sequential));
    if (size_ > 0) std::memcpy(grown + begin_, data(), size_);
    free_large(base_, capacity_);
    base_ = grown;
    capacity_ = capacity;
  }
  void swap(TextBuffer& other) noexcept {
    std::swap(base_, other.base_);
    std::swap(capacity_, other.capacity_);
    std::swap(begin_, other.begin_);
    std::swap(size_, other.size_);
  }

  char* base_ = nullptr;  // page-aligned, from allocate_large
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;  // where the text starts in it
  std::size_t size_ = 0;
};

// The picked items of a window's plain records, column by column, with room for as many
// records as its text can hold: a plain record takes at least two bytes, a digit and its
// newline. The room is had once, at the first window of its size, and never filled in
// advance: only the pages the records are written into are ever touched, so a window
// costs the memory of its records, not of its room, and the scan never stops to grow it.
class WindowRecords {
 public:
  std::size_t room() const { return room_; }
  float* x() const { return x_.get(); }
  float* y() const { return y_.get(); }
  float* z() const { return z_.get(); }

  // Makes room for the plain records of `text_bytes` bytes of text.
  void hold(std::size_t text_bytes) {
    const std::size_t room = text_bytes / 2 + 1;
    if (room <= room_) return;
    for (std::unique_ptr<float[]>* column : {&x_, &y_, &z_}) {
      column->reset();
      *column = std::unique_ptr<float[]>(new float[room]);  // left unfilled on purpose
    }
    room_ = room;
  }

 private:
  std::unique_ptr<float[]> x_, y_, z_;
  std::size_t room_ = 0;
};

// A window of the file's text: whole lines (the last one may lack its newline at the end of
// the file), and what a worker made of its plain lines.
struct Window {
  TextBuffer text;
  std::int64_t offset = 0;    // of text[0] in the file
  bool last = false;          // the window reaches the end of the file
  std::string failure;        // a read of the system failed after the window's text
  std::exception_ptr thrown;  // what cutting or scanning it threw (out of memory): no text
  recordio::plain_scan scan;
  WindowRecords records;
  limits_tracker limits;
  engine::value_range values;

  void scan_plain_lines(const ReadSettings& s) {
    records.hold(text.size());
    const recordio::plain_pick picks[] = {
        {s.columns[0], records.x()}, {s.columns[1], records.y()}, {s.columns[2], records.z()}};
    scan = recordio::scan_plain_records(text.data(), text.data() + text.size(), items_per_record(s),
                                        picks, records.room());
    limits = limits_tracker{};
    values = engine::value_range{};
    limits.add({records.x(), scan.records}, {records.y(), scan.records});
    values.add({records.z(), scan.records});
  }
};

}  // namespace

// One reading of the file from its start: workers cut and scan windows; the calling thread
// takes them in order.
class DataReader::Pass {
 public:
  Pass(DataReader& reader, const RecordTaker& take, ProgressLine& progress)
      : reader_(reader),
        settings_(reader.settings_),
        take_(take),
        progress_(progress),
        pool_(std::size_t(std::clamp(settings_.threads + 2, 3, 16))) {
    for (Window& w : pool_) free_.push_back(&w);
    ready_.assign(pool_.size(), nullptr);
    lines_to_skip_ = settings_.skip_lines;
  }

  // Reads the file; returns an empty string or the line that names the problem.
  std::string run(DataSummary& summary);

 private:
  // The workers' side, under the lock.
  void read_more(TextBuffer& text);
  void skip_header(Window& w);
  bool next_window(Window& w, std::int64_t& sequence);
  void work(bool yields);
  bool wait_for_core();
  // The calling thread's side, in file order.
  Window* wait_for(std::int64_t sequence);
  std::string consume(Window& w);
  void take_scanned(Window& w);
  std::string read_segment(const char* text, std::size_t size, std::int64_t offset, bool last);
  std::string unreadable(const char* text, std::size_t size, std::size_t at, std::size_t failed,
                         recordio::read_failure failure) const;
  void keep(const recordio::plain_scan& scan, std::size_t first);
  void flush();

  DataReader& reader_;
  const ReadSettings& settings_;
  const RecordTaker& take_;
  ProgressLine& progress_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Window> pool_;
  std::vector<Window*> free_;
  std::vector<Window*> ready_;  // by sequence number, modulo the pool's size
  std::int64_t produced_ = 0;
  bool file_done_ = false;  // the last byte has been read
  bool exhausted_ = false;  // the last window has been cut
  bool stopping_ = false;
  std::string carry_;  // text read after the last window cut
  std::int64_t carry_offset_ = 0;
  std::int64_t lines_to_skip_ = 0;
  std::int64_t skipped_lines_ = 0;

  float items_[recordio::max_text_record_items] = {};
  std::int64_t position_ = 0;  // where the next record starts
  std::int64_t line_ = 1;      // the line that starts at position_
  std::int64_t records_ = 0;
  limits_tracker limits_;
  engine::value_range values_;
  bool finished_ = false;  // the END condition was met
  std::string spill_;      // from a record that runs over a window's end on
  std::int64_t spill_offset_ = 0;
  std::size_t spill_tried_ = 0;  // the size of the text the last try stopped at the end of
  std::vector<float> kept_x_, kept_y_, kept_z_;  // records read here, not yet handed on
  std::size_t kept_ = 0;
};

// Appends up to a window's bytes of the file to `text`; sets file_done_ at its end. Throws
// std::system_error when a read fails.
void DataReader::Pass::read_more(TextBuffer& text) {
  const std::size_t start = text.size();
  const std::size_t want = std::max<std::size_t>(settings_.window_bytes, 1);
  char* const into = text.extend(want);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::read(reader_.fd_, into + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      text.shrink(start + got);
      throw std::system_error(error, std::generic_category());
    }
    if (n == 0) {
      file_done_ = true;
      break;
    }
    got += std::size_t(n);
  }
  text.shrink(start + got);
}

// Drops the header lines still to skip from the front of `w`, reading on as needed.
void DataReader::Pass::skip_header(Window& w) {
  while (lines_to_skip_ > 0) {
    const std::size_t nl = w.text.first_newline();
    if (nl != std::string::npos) {
      w.text.drop_front(nl + 1);
      w.offset += std::int64_t(nl + 1);
      --lines_to_skip_;
      ++skipped_lines_;
      continue;
    }
    w.offset += std::int64_t(w.text.size());  // all of it belongs to the header line
    w.text.clear();
    if (file_done_) return;
    read_more(w.text);
  }
}

bool DataReader::Pass::next_window(Window& w, std::int64_t& sequence) {
  if (exhausted_) return false;
  w.thrown = nullptr;
  w.text.assign(carry_);
  carry_.clear();
  w.offset = carry_offset_;
  w.failure.clear();
  try {
    skip_header(w);
    while (!file_done_ &&
           (w.text.size() < settings_.window_bytes || w.text.first_newline() == std::string::npos))
      read_more(w.text);
  } catch (const std::system_error& e) {
    w.failure = std::strerror(e.code().value());
    file_done_ = true;
  }
  w.last = file_done_;
  exhausted_ = file_done_;
  if (!w.last) {
    const std::size_t size = w.text.last_newline() + 1;
    carry_.assign(w.text.data() + size, w.text.size() - size);
    w.text.shrink(size);
  }
  carry_offset_ = w.offset + std::int64_t(w.text.size());
  sequence = produced_++;
  return true;
}

// Whether the reading goes on, once no other task holds a core: polled, since the task
// that holds it knows nothing of the reading.
bool DataReader::Pass::wait_for_core() {
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_ || exhausted_) return false;
    }
    if (!settings_.core_taken->load(std::memory_order_acquire)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// A worker's loop: window after window, cut under the lock and scanned outside it. One
// that `yields` starts no window while settings_.core_taken holds.
void DataReader::Pass::work(bool yields) {
  for (;;) {
    if (yields && settings_.core_taken != nullptr && !wait_for_core()) return;
    Window* w = nullptr;
    std::int64_t sequence = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || exhausted_ || !free_.empty(); });
      if (stopping_ || exhausted_) return;
      w = free_.back();
      free_.pop_back();
      try {
        next_window(*w, sequence);
      } catch (...) {
        // The window takes its place carrying the failure, and no window follows it.
        w->thrown = std::current_exception();
        exhausted_ = true;
        sequence = produced_++;
      }
    }
    if (!w->thrown) {
      try {
        w->scan_plain_lines(settings_);
      } catch (...) {
        w->thrown = std::current_exception();
      }
    }
    {
      const std::lock_guard lock(mutex_);
      ready_[std::size_t(sequence) % ready_.size()] = w;
    }
    changed_.notify_all();
  }
}

Window* DataReader::Pass::wait_for(std::int64_t sequence) {
  std::unique_lock lock(mutex_);
  Window*& slot = ready_[std::size_t(sequence) % ready_.size()];
  changed_.wait(lock, [&] { return slot != nullptr || (exhausted_ && sequence >= produced_); });
  Window* w = slot;
  slot = nullptr;
  if (sequence == 0 && w != nullptr) {
    // The records start where the first window starts, after the header lines it skipped.
    line_ += skipped_lines_;
    position_ = w->offset;
  }
  return w;
}

std::string DataReader::Pass::run(DataSummary& summary) {
  std::string problem;
  {
    std::vector<std::jthread> workers;
    const auto stop_workers = [this] {
      {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
      }
      changed_.notify_all();
    };
    try {
      // No more workers than windows: one more would only wait for a free window.
      const int count = std::clamp(settings_.threads, 1, int(pool_.size()));
      for (int t = 0; t < count; ++t)
        workers.emplace_back([this, yields = t > 0 && t == count - 1] { work(yields); });
      for (std::int64_t next = 0;; ++next) {
        Window* w = wait_for(next);
        if (w == nullptr) break;
        if (w->thrown) std::rethrow_exception(w->thrown);
        problem = consume(*w);
        const bool done = w->last || finished_ || !problem.empty();
        {
          const std::lock_guard lock(mutex_);
          free_.push_back(w);
        }
        if (done) break;
        changed_.notify_all();
      }
    } catch (...) {
      stop_workers();  // before the workers are joined, or they would wait for ever
      throw;
    }
    stop_workers();
  }
  flush();
  summary.records = records_;
  summary.limits = limits_.limits();
  summary.values = values_;
  summary.bytes = reader_.size_;
  return problem;
}

std::string DataReader::Pass::consume(Window& w) {
  std::string problem;
  if (!spill_.empty()) {
    // A record ran over the previous window's end: read on in the text joined to this one,
    // once it has doubled since the last try, so that a record running over many windows
    // is read again only a few times.
    spill_.append(w.text.data(), w.text.size());
    if (spill_.size() < 2 * spill_tried_ && !w.last) return {};
    const std::string text = std::move(spill_);
    spill_.clear();
    spill_tried_ = text.size();
    problem = read_segment(text.data(), text.size(), spill_offset_, w.last);
    if (spill_.empty()) spill_tried_ = 0;  // the record is read: a later one starts afresh
  } else {
    if (position_ == w.offset) take_scanned(w);
    problem = read_segment(w.text.data(), w.text.size(), w.offset, w.last);
  }
  if (problem.empty() && !w.failure.empty()) problem = w.failure;
  progress_.advance(records_, position_);
  return problem;
}

// The worker's plain records from the window's start, taken as they stand.
void DataReader::Pass::take_scanned(Window& w) {
  const std::size_t n = w.scan.records;
  const bool lined = w.scan.newlines == n;  // every line scanned was a record
  reader_.landmarks_.push_back({position_, records_, line_, lined ? std::int64_t(n) : 0});
  if (n > 0) {
    flush();
    const WindowRecords& r = w.records;
    take_({{r.x(), n}, {r.y(), n}, {r.z(), n}}, records_);
    items_[settings_.columns[0] - 1] = r.x()[n - 1];
    items_[settings_.columns[1] - 1] = r.y()[n - 1];
    records_ += std::int64_t(n);
    limits_.merge(w.limits);
    values_.merge(w.values);
  }
  position_ += std::int64_t(w.scan.used);
  line_ += std::int64_t(w.scan.newlines);
}

// Takes the records of a scan stored in the kept arrays from index `first`.
void DataReader::Pass::keep(const recordio::plain_scan& scan, std::size_t first) {
  limits_.add({kept_x_.data() + first, scan.records}, {kept_y_.data() + first, scan.records});
  values_.add({kept_z_.data() + first, scan.records});
  if (scan.records > 0) {
    items_[settings_.columns[0] - 1] = kept_x_[first + scan.records - 1];
    items_[settings_.columns[1] - 1] = kept_y_[first + scan.records - 1];
  }
  kept_ += scan.records;
  records_ += std::int64_t(scan.records);
}

void DataReader::Pass::flush() {
  if (kept_ == 0) return;
  take_({{kept_x_.data(), kept_}, {kept_y_.data(), kept_}, {kept_z_.data(), kept_}},
        records_ - std::int64_t(kept_));
  kept_ = 0;
}

// Reads [text + (position_ - offset), text + size) record by record: plain lines by the
// scan, the others by the general rules. A record that runs over the end of a text that
// is not the end of the file is left, with the rest, in spill_.
std::string DataReader::Pass::read_segment(const char* text, std::size_t size, std::int64_t offset,
                                           bool last) {
  std::size_t at = std::size_t(position_ - offset);
  if (at < size) reader_.landmarks_.push_back({position_, records_, line_});
  const int z_item = settings_.columns[2] - 1;
  const std::span<float> items(items_, std::size_t(items_per_record(settings_)));
  while (at < size && !finished_) {
    const recordio::plain_scan scan =
        scan_plain(text + at, text + size, settings_, kept_x_, kept_y_, kept_z_, kept_);
    keep(scan, kept_);
    at += scan.used;
    line_ += std::int64_t(scan.newlines);
    if (kept_ >= kept_records) flush();
    if (at == size) break;
    items_[z_item] = 0.0f;  // each record has a value slot of its own, 0 until read
    const recordio::text_record r = recordio::read_list_record(text + at, text + size, last, items);
    if (r.outcome == recordio::text_outcome::needs_more) break;
    if (r.outcome != recordio::text_outcome::record) {
      if (r.outcome == recordio::text_outcome::failure) {
        flush();
        return unreadable(text, size, at, at + r.failure_offset, r.failure);
      }
      finished_ = true;  // the end of the data
      break;
    }
    if (kept_ == kept_x_.size())
      for (std::vector<float>* v : {&kept_x_, &kept_y_, &kept_z_}) v->resize(2 * kept_ + 1024);
    kept_x_[kept_] = items_[settings_.columns[0] - 1];
    kept_y_[kept_] = items_[settings_.columns[1] - 1];
    kept_z_[kept_] = items_[z_item];
    keep({0, 1, 0}, kept_);
    line_ += newlines_in(text + at, text + at + r.used);
    at += r.used;
  }
  position_ = offset + std::int64_t(at);
  if (at < size && !finished_) {
    spill_.assign(text + at, size - at);
    spill_offset_ = position_;
  }
  return {};
}

// "line 57: invalid number in record 56: \"4.5 x7 1\"", the line being the one of the value
// that could not be read, at `failed` in the text of the record starting at `at`.
std::string DataReader::Pass::unreadable(const char* text, std::size_t size, std::size_t at,
                                         std::size_t failed, recordio::read_failure failure) const {
  const std::int64_t line = line_ + newlines_in(text + at, text + failed);
  std::size_t begin = failed;
  while (begin > at && text[begin - 1] != '\n') --begin;
  const char* end = std::find(text + failed, text + size, '\n');
  std::string_view shown(text + begin, std::size_t(end - text) - begin);
  if (!shown.empty() && shown.back() == '\r') shown.remove_suffix(1);
  return "line " + std::to_string(line) + ": " + std::string(recordio::describe(failure).tag) +
         " in record " + std::to_string(records_ + 1) + ": \"" + shown_text(shown) + "\"";
}

DataReader::DataReader(std::string path, ReadSettings settings)
    : path_(std::move(path)), settings_(settings) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    problem_ = std::strerror(errno);
    return;
  }
  struct stat st {};
  if (fstat(fd_, &st) == 0) {
    if (S_ISDIR(st.st_mode)) problem_ = std::strerror(EISDIR);
    regular_ = S_ISREG(st.st_mode);
    size_ = regular_ ? std::int64_t(st.st_size) : 0;
    changed_ns_ = changed_ns(st);
  }
}

bool DataReader::unchanged() const {
  if (!regular_) return true;
  struct stat st {};
  return fstat(fd_, &st) == 0 && std::int64_t(st.st_size) == size_ && changed_ns(st) == changed_ns_;
}

DataReader::~DataReader() {
  if (fd_ >= 0) ::close(fd_);
}

std::string DataReader::read(const RecordTaker& take, DataSummary& summary,
                             ProgressLine& progress) {
  if (!problem_.empty()) return problem_;
  if (regular_ && ::lseek(fd_, 0, SEEK_SET) != 0) return std::strerror(errno);
  landmarks_.clear();
  Pass pass(*this, take, progress);
  return pass.run(summary);
}

std::int64_t DataReader::bytes_per_line() const {
  if (!regular_) return 0;
  std::string text(std::size_t{1} << 20, '\0');
  const ssize_t n = ::pread(fd_, text.data(), text.size(), 0);
  if (n <= 0) return 0;
  const std::int64_t lines = newlines_in(text.data(), text.data() + n);
  return lines > 0 ? std::int64_t(n) / lines : 0;
}

std::int64_t DataReader::line_of_record(std::int64_t k) {
  if (!regular_ || landmarks_.empty() || k < 0) return 0;
  // The last landmark at or before record k, and the first after it.
  auto after =
      std::upper_bound(landmarks_.begin(), landmarks_.end(), k,
                       [](std::int64_t r, const Landmark& m) { return r < m.first_record; });
  if (after == landmarks_.begin()) return 0;
  const Landmark from = *std::prev(after);
  if (k - from.first_record < from.lined) return from.line + (k - from.first_record);
  while (after != landmarks_.end() && after->offset <= from.offset) ++after;
  const std::int64_t to = after != landmarks_.end() ? after->offset : size_;
  std::string text(std::size_t(std::max<std::int64_t>(to - from.offset, 0)), '\0');
  if (::pread(fd_, text.data(), text.size(), from.offset) != ssize_t(text.size())) return 0;
  float items[recordio::max_text_record_items] = {};
  const std::span<float> record(items, std::size_t(items_per_record(settings_)));
  std::int64_t line = from.line;
  std::size_t at = 0;
  for (std::int64_t r = from.first_record; at < text.size(); ++r) {
    const std::size_t value = text.find_first_not_of(" \t\n", at);
    if (r == k) return value == std::string::npos ? 0 : line + newlines_in(&text[at], &text[value]);
    const recordio::text_record t =
        recordio::read_list_record(&text[at], text.data() + text.size(), to == size_, record);
    if (t.outcome != recordio::text_outcome::record) return 0;
    line += newlines_in(&text[at], &text[at + t.used]);
    at += t.used;
  }
  return 0;
}

}  // namespace plaxen::grid
