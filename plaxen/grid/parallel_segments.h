// Work split into segments of a fixed size, whatever the number of threads, so that results
// combined segment by segment in order never depend on how many threads did the work.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "plaxen/engine/worker_team.h"

namespace plaxen::grid {

// Calls work(segment, begin, end) for every segment [begin, end) of [0, count) cut every
// `segment_size` items, on the members of `team` (the calling thread among them); segments
// are handed out in order, each to one member. Returns when all are done. `work` must not
// throw.
template <class Work>
void for_each_segment(std::int64_t count, std::int64_t segment_size, engine::worker_team& team,
                      Work work) {
  if (count <= 0) return;
  const std::int64_t segments = (count + segment_size - 1) / segment_size;
  std::atomic<std::int64_t> next{0};
  team.run([&](std::int32_t) {
    for (std::int64_t s; (s = next.fetch_add(1)) < segments;)
      work(s, s * segment_size, std::min(count, (s + 1) * segment_size));
  });
}

// The same on a team of `threads` started for the call (no more than there are segments).
template <class Work>
void for_each_segment(std::int64_t count, std::int64_t segment_size, int threads, Work work) {
  if (count <= 0) return;
  const std::int64_t segments = (count + segment_size - 1) / segment_size;
  engine::worker_team team(std::int32_t(std::clamp<std::int64_t>(threads, 1, segments)));
  for_each_segment(count, segment_size, team, work);
}

}  // namespace plaxen::grid
