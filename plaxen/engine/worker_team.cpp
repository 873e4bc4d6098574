// A fixed team of threads that runs one task on every member at once, for the engine's stages.
#include "plaxen/engine/worker_team.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace plaxen::engine {
namespace {

// Stages hand out tasks in quick succession: a member that has just finished watches for the
// next one for a few tens of microseconds before it sleeps, since a sleeping thread can take a
// whole time slice to wake on a busy machine. Returns early once done() holds.
template <class Done>
void spin_until(Done done) {
  for (int spins = 0; spins < 4096 && !done(); ++spins) {
#if defined(__SSE2__)
    _mm_pause();
#endif
  }
}

}  // namespace

worker_team::worker_team(std::int32_t size)
    : size_(size < 1 ? 1 : size), failures_(static_cast<std::size_t>(size_)) {
  threads_.reserve(static_cast<std::size_t>(size_ - 1));
  try {
    for (std::int32_t member = 1; member < size_; ++member)
      threads_.emplace_back([this, member] { serve(member); });
  } catch (...) {
    stop();  // the members already started
    throw;
  }
}

worker_team::~worker_team() {
  stop();
}

void worker_team::stop() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  start_.notify_all();
  for (std::thread& thread : threads_)
    if (thread.joinable()) thread.join();
}

void worker_team::run(const std::function<void(std::int32_t)>& task) {
  if (size_ == 1) {
    task(0);
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    task_ = &task;
    running_ = size_ - 1;
    ++generation_;
    for (std::exception_ptr& failure : failures_) failure = nullptr;
  }
  start_.notify_all();
  try {
    task(0);
  } catch (...) {
    failures_[0] = std::current_exception();
  }
  spin_until([this] { return running_.load(std::memory_order_acquire) == 0; });
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return running_ == 0; });
  task_ = nullptr;
  for (const std::exception_ptr& failure : failures_)
    if (failure) std::rethrow_exception(failure);
}

void worker_team::serve(std::int32_t member) {
  std::uint64_t seen = 0;
  for (;;) {
    const std::function<void(std::int32_t)>* task = nullptr;
    spin_until([&] { return generation_.load(std::memory_order_acquire) != seen; });
    {
      std::unique_lock lock(mutex_);
      start_.wait(lock, [&] { return closing_ || generation_ != seen; });
      if (closing_) return;
      seen = generation_;
      task = task_;
    }
    try {
      (*task)(member);
    } catch (...) {
      failures_[static_cast<std::size_t>(member)] = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      --running_;
    }
    done_.notify_one();
  }
}

}  // namespace plaxen::engine
