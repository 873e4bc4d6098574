// Laying plaxen-grid's grid and judging whether it can be had.
#include "plaxen/grid/grid_layout.h"

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "plaxen/common/job_check.h"
#include "plaxen/common/number_text.h"

namespace plaxen::grid {
namespace {

// The node count along an axis of `extent` at spacing `step`: round(extent/step) + 1, or -1
// when it is no 32-bit count.
std::int64_t count_for_spacing(double extent, float step) {
  const double count = std::round(extent / double(step)) + 1.0;
  if (!(count >= 0.0 && count <= double(std::numeric_limits<std::int32_t>::max()))) return -1;
  return std::int64_t(count);
}

std::string gigabytes(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", double(bytes) / 1e9);
  return text;
}

}  // namespace

bool lay_grid(const GridSpec& wanted, std::int64_t records, const DataLimits& data_limits,
              float span, GridLayout& layout, LayRefusal& refusal) {
  const DataLimits& limits = wanted.region ? *wanted.region : data_limits;
  // The extent is the region's when one is given, and then no fault of the records.
  const bool extent_from_data = !(wanted.region && records > 0);
  if (const std::string_view why = degenerate_extent(records, limits); !why.empty()) {
    refusal = {std::string(why) + (extent_from_data ? "" : " (the region)"), extent_from_data};
    return false;
  }
  if (wanted.size) {
    layout.size = *wanted.size;
    if (const std::string_view why = judge_job(layout.size, INT64_MAX, span); !why.empty()) {
      refusal = {std::string(why), why == value_span_refusal};
      return false;
    }
    layout.geometry = grid_geometry(limits, layout.size);
  } else {
    const float dx = *wanted.dx, dy = *wanted.dy;
    if (!(std::isfinite(dx) && dx > 0.0f && std::isfinite(dy) && dy > 0.0f)) {
      refusal = {std::string(spacing_unusable_refusal) + " (-I)", false};
      return false;
    }
    const std::int64_t nx = count_for_spacing(double{limits.xmax} - double{limits.xmin}, dx);
    const std::int64_t ny = count_for_spacing(double{limits.ymax} - double{limits.ymin}, dy);
    if (nx < 0 || ny < 0) {
      refusal = {"-I " + exact_text(dx) + "/" + exact_text(dy) +
                     " asks for more than 2147483647 nodes along an axis",
                 false};
      return false;
    }
    layout.size = {std::int32_t(nx), std::int32_t(ny)};
    if (const std::string_view why = judge_job(layout.size, INT64_MAX, span); !why.empty()) {
      refusal = {std::string(why) + " (-I " + exact_text(dx) + "/" + exact_text(dy) + " gives " +
                     std::to_string(nx) + " x " + std::to_string(ny) + ")",
                 why == value_span_refusal};
      return false;
    }
    GridGeometry& g = layout.geometry;
    g.xmin = limits.xmin;
    g.ymin = limits.ymin;
    g.dx = dx;
    g.dy = dy;
    g.xmax = static_cast<float>(double{g.xmin} + double(nx - 1) * double{g.dx});
    g.ymax = static_cast<float>(double{g.ymin} + double(ny - 1) * double{g.dy});
  }
  if (const std::string_view why = degenerate_geometry(records, limits, layout.geometry);
      !why.empty()) {
    refusal = {std::string(why), extent_from_data};
    return false;
  }
  return true;
}

std::int64_t grid_bytes(const GridSize& size, bool counts) {
  // Two 32-bit counts make at most 2^62 nodes, but 4 or 8 bytes each can pass 2^63 - 1.
  const std::int64_t nodes = std::int64_t{size.nx} * std::int64_t{size.ny};
  const std::int64_t per_node = counts ? 8 : 4;
  const std::int64_t relaxation_bits = nodes / 8;
  if (nodes > (INT64_MAX - relaxation_bits) / per_node) return INT64_MAX;
  return nodes * per_node + relaxation_bits;
}

std::int64_t available_memory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::int64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit)
    if (key == "MemAvailable:") return kilobytes * 1024;
  return -1;
}

std::string memory_need(std::int64_t bytes, const GridSize& size) {
  return "a grid of " + std::to_string(size.nx) + " x " + std::to_string(size.ny) +
         " nodes needs " +
         (bytes == INT64_MAX ? "more than " + std::to_string(INT64_MAX / 1000000000) + " GB"
                             : gigabytes(bytes)) +
         " of memory";
}

bool memory_for(std::int64_t bytes, const GridSize& size, std::string& problem) {
  std::int64_t available = available_memory();
  struct rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      (available < 0 || std::int64_t(limit.rlim_cur) < available))
    available = std::int64_t(limit.rlim_cur);
  if (available < 0 || bytes <= available) return true;
  problem = memory_need(bytes, size) + "; " + gigabytes(available) + " are available";
  return false;
}

}  // namespace plaxen::grid
