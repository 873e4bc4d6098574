// Work split into segments of a fixed size, whatever the number of threads, so that results
// combined segment by segment in order never depend on how many threads did the work.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace plaxen::grid {

// Calls work(segment, begin, end) for every segment [begin, end) of [0, count) cut every
// `segment_size` items, on `threads` threads (the calling thread among them); segments are
// handed out in order, each to one thread. Returns when all are done. `work` must not throw.
template <class Work>
void for_each_segment(std::int64_t count, std::int64_t segment_size, int threads, Work work) {
  if (count <= 0) return;
  const std::int64_t segments = (count + segment_size - 1) / segment_size;
  std::atomic<std::int64_t> next{0};
  const auto run = [&] {
    for (std::int64_t s; (s = next.fetch_add(1)) < segments;)
      work(s, s * segment_size, std::min(count, (s + 1) * segment_size));
  };
  const int helpers = int(std::min<std::int64_t>(threads, segments)) - 1;
  std::vector<std::jthread> pool;
  pool.reserve(std::size_t(std::max(helpers, 0)));
  for (int t = 0; t < helpers; ++t) pool.emplace_back(run);
  run();
}

}  // namespace plaxen::grid
