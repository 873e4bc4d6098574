// Loading of the scattered-data file into the static point set.
#include "plaxen/common/scattered_data.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "recordio/recordio.h"

namespace plaxen {

ScatteredData points;

void track_limits(DataLimits& limits, float x, float y) {
  if (!(limits.xmin <= x)) limits.xmin = x;
  if (limits.xmax < x) limits.xmax = x;
  if (!(limits.ymin <= y)) limits.ymin = y;
  if (limits.ymax < y) limits.ymax = y;
}

namespace {

// The point set is 68 MB of static storage, of which loading a million records touches 16 MB
// in order. Backed by huge pages where the system offers them, that is a few hundred page
// faults instead of four thousand. Only advice: a system that declines it (or has no such
// pages) changes nothing but the time, so its answer is not needed.
void advise_huge_pages_for_points() {
#ifdef MADV_HUGEPAGE
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  const auto mask = ~(static_cast<std::uintptr_t>(page) - 1);
  const auto first = (reinterpret_cast<std::uintptr_t>(&points) + ~mask) & mask;
  const auto end = (reinterpret_cast<std::uintptr_t>(&points) + sizeof points) & mask;
  if (first < end) (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

// One record: x and y into the locals that persist from record to record (a null value keeps
// the previous record's), then value column 1 of slot k. Returns 0, the negative END status
// at the end of data, or the positive status of a value that could not be read.
template <recordio::error_exit errors>
int read_record(int unit, float& x, float& y, std::int32_t k) {
  if (const int status = recordio::start_list_read(unit, recordio::end_exit::yes, errors))
    return status;
  if (const int status = recordio::read(x)) return status;
  if (const int status = recordio::read(y)) return status;
  if (const int status = recordio::read(points.zarray[0][k])) return status;
  return recordio::end_read();
}

template <recordio::error_exit errors>
LoadResult load_records(int unit) {
  advise_huge_pages_for_points();
  LoadResult result{};
  // A first record whose x or y is null or cut by a slash takes 0.0 for it.
  float x = 0.0f;
  float y = 0.0f;
  std::int32_t k = 1;
  std::int32_t capacity = max_records;
  for (;;) {
    if (--capacity < 0) {
      result.capacity_reached = true;
      break;
    }
    if (const int status = read_record<errors>(unit, x, y, k); status != 0) {
      if (status > 0) result.read_failure = status;
      break;
    }
    points.xp[k] = x;
    points.yp[k] = y;
    points.zp[k] = points.zarray[0][k];
    track_limits(result.limits, x, y);
    ++k;
  }
  points.n = k - 1;
  return result;
}

}  // namespace

LoadResult load_scattered_data(int unit, recordio::error_exit errors) {
  if (errors == recordio::error_exit::yes) return load_records<recordio::error_exit::yes>(unit);
  return load_records<recordio::error_exit::no>(unit);
}

}  // namespace plaxen
