// The progress line: a thread that redraws it twice a second once a second has passed.
#include "plaxen/grid/progress_line.h"

#include <unistd.h>

#include <cstdio>

namespace plaxen::grid {
namespace {

constexpr auto first_showing = std::chrono::seconds(1);
constexpr auto redraw_every = std::chrono::milliseconds(500);

}  // namespace

ProgressLine::ProgressLine(bool enabled, std::int64_t file_size)
    : active_(enabled && isatty(STDERR_FILENO) == 1), file_size_(file_size) {
  phase_start_ = std::chrono::steady_clock::now();
  if (active_) thread_ = std::thread(&ProgressLine::show_until_stopped, this);
}

ProgressLine::~ProgressLine() {
  if (!active_) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
  if (shown_) std::fputs("\r\033[K", stderr);
}

void ProgressLine::phase(const char* name) {
  if (!active_) return;
  const std::lock_guard lock(mutex_);
  phase_.store(name);
  records_.store(0);
  bytes_.store(0);
  phase_start_ = std::chrono::steady_clock::now();
}

std::string ProgressLine::text() const {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - phase_start_).count();
  const std::int64_t records = records_.load(std::memory_order_relaxed);
  char line[160];
  int n = std::snprintf(line, sizeof line, "plaxen-grid: %s", phase_.load());
  if (records > 0) {
    n += std::snprintf(line + n, sizeof line - std::size_t(n), ": %lld records",
                       static_cast<long long>(records));
    if (file_size_ > 0)
      n += std::snprintf(
          line + n, sizeof line - std::size_t(n), ", %.0f%% of the file",
          100.0 * double(bytes_.load(std::memory_order_relaxed)) / double(file_size_));
    if (seconds > 0)
      std::snprintf(line + n, sizeof line - std::size_t(n), ", %.1f million records/s",
                    double(records) / seconds / 1e6);
  }
  return line;
}

void ProgressLine::show_until_stopped() {
  std::unique_lock lock(mutex_);
  const auto start = std::chrono::steady_clock::now();
  if (wake_.wait_until(lock, start + first_showing, [this] { return stopping_; })) return;
  while (!stopping_) {
    std::fprintf(stderr, "\r\033[K%s", text().c_str());
    std::fflush(stderr);
    shown_ = true;
    wake_.wait_for(lock, redraw_every, [this] { return stopping_; });
  }
}

}  // namespace plaxen::grid
