// A fixed team of threads that runs one task on every member at once, for the engine's stages.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace plaxen::engine {

// The team's members are numbered 0..size()-1; member 0 is the thread that calls run(), the
// others are started once, by the constructor, and wait between tasks. A team of size 1 starts
// no thread at all. Not copyable; run() must not be called from two threads at once, nor from
// inside a task.
class worker_team {
 public:
  // A team of `size` members; a size below 1 counts as 1. Throws std::system_error when a
  // thread cannot be started.
  explicit worker_team(std::int32_t size);
  ~worker_team();
  worker_team(const worker_team&) = delete;
  worker_team& operator=(const worker_team&) = delete;

  std::int32_t size() const { return size_; }

  // Runs task(member) on every member at once and returns when all have returned. When tasks
  // throw, the first exception (by member number) is rethrown after all have returned.
  void run(const std::function<void(std::int32_t member)>& task);

 private:
  void serve(std::int32_t member);
  void stop();

  std::int32_t size_ = 1;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable start_;
  std::condition_variable done_;
  const std::function<void(std::int32_t)>* task_ = nullptr;
  // Changed under mutex_, also read without it while a member watches for a change.
  std::atomic<std::uint64_t> generation_ = 0;  // tasks handed out, so a member runs each once
  std::atomic<std::int32_t> running_ = 0;      // helpers still busy with the current task
  bool closing_ = false;
  std::vector<std::exception_ptr> failures_;
};

// The part [first, last) of the range [0, count) that member `member` of `members` takes: the
// range split into nearly equal consecutive parts, in member order.
struct index_range {
  std::int64_t first = 0;
  std::int64_t last = 0;
};
inline index_range share_of(std::int64_t count, std::int32_t member, std::int32_t members) {
  // floor(count*m/members) without forming count*m.
  const auto part = [&](std::int64_t m) {
    return count / members * m + count % members * m / members;
  };
  return {part(member), part(member + 1)};
}

}  // namespace plaxen::engine
