// One line on a terminal telling how far the work has come, for work that lasts over a
// second: the phase, the records read, the part of the file, the rate.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace plaxen::grid {

class ProgressLine {
 public:
  // Shows the line on standard error when `enabled` and standard error is a terminal;
  // otherwise does nothing at all. `file_size`: bytes of the data file, 0 when unknown.
  ProgressLine(bool enabled, std::int64_t file_size);
  // Clears the line.
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Starts a phase ("reading", "gridding", "writing"); its counts start at 0.
  void phase(const char* name);
  // How far the phase has come: records taken and bytes of the file read. Cheap: two
  // relaxed atomic stores, for the reading loop.
  void advance(std::int64_t records, std::int64_t bytes) {
    records_.store(records, std::memory_order_relaxed);
    bytes_.store(bytes, std::memory_order_relaxed);
  }

 private:
  void show_until_stopped();
  std::string text() const;

  bool active_ = false;
  std::int64_t file_size_ = 0;
  std::atomic<const char*> phase_{""};
  std::atomic<std::int64_t> records_{0};
  std::atomic<std::int64_t> bytes_{0};
  std::chrono::steady_clock::time_point phase_start_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool shown_ = false;
  std::thread thread_;
};

}  // namespace plaxen::grid
