// The interpolation engine's stages timed one by one on a data file, for each grid layout and
// thread count, with a checksum of the grid bits that must agree across all of them.
//
// Usage: engine_stages FILE NX NY [THREADS...] (threads 1 and 2 when none are given)
//
// The file is mapped and read with the floor loop (floor_loop.h): three numbers a line into
// double rounded once to float, none of the list-directed rules. The grid geometry is plaxen's for
// the data limits (dx = (xmax - xmin)/(nx - 1), likewise dy). The points go to the assignment in
// blocks of block_points, as a program holding its records in blocks of a few MB hands them over.
// Each configuration runs `rounds` times; each stage's median and minimum are printed in
// milliseconds. The
// checksum folds the bits of every node in sweep order (i outer, j inner), so that it does
// not depend on the layout.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/floor_loop.h"
#include "plaxen/common/limits_tracker.h"
#include "plaxen/engine/data_range.h"
#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/point_assignment.h"
#include "plaxen/engine/range_fill.h"
#include "plaxen/engine/relaxation.h"

namespace {

using namespace plaxen::engine;
using clock_type = std::chrono::steady_clock;

constexpr std::size_t block_points = 1 << 18;  // 256K points: 3 MB of x, y and z
constexpr int rounds = 7;
constexpr float tension = 3.0f;
constexpr std::int32_t nfill = 1;

struct point_arrays {
  std::vector<float> x, y, z;
};

// Every record of three numbers; false when the file cannot be read or holds other text.
bool load_points(const char* name, point_arrays& points) {
  const int fd = open(name, O_RDONLY);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) return false;
  const auto size = static_cast<std::size_t>(st.st_size);
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (map == MAP_FAILED) return false;
  const char* const text = static_cast<const char*>(map);
  const bool numbers =
      bench::for_each_floor_record(text, text + size, [&](float x, float y, float z) {
        points.x.push_back(x);
        points.y.push_back(y);
        points.z.push_back(z);
      });
  munmap(map, size);
  return numbers;
}

// A grid array on huge pages where the system offers them, as a large-grid program would lay it.
struct grid_memory {
  float* data = nullptr;
  std::size_t count = 0;
  explicit grid_memory(std::size_t n) : count(n) {
    const std::size_t bytes = (n * sizeof(float) + (2u << 20) - 1) & ~std::size_t((2u << 20) - 1);
    data = static_cast<float*>(std::aligned_alloc(2u << 20, bytes));
    if (data == nullptr) std::abort();
#ifdef MADV_HUGEPAGE
    (void)madvise(data, bytes, MADV_HUGEPAGE);
#endif
  }
  ~grid_memory() {
    std::free(data);
  }
  grid_memory(const grid_memory&) = delete;
  grid_memory& operator=(const grid_memory&) = delete;
};

std::uint64_t checksum(const node_grid& grid) {
  std::uint64_t sum = 1469598103934665603ull;
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j)
      sum = (sum ^ std::bit_cast<std::uint32_t>(grid.at(i, j))) * 1099511628211ull;
  return sum;
}

enum stage {
  range_stage,
  clear_stage,
  assign_stage,
  average_stage,
  fill_stage,
  close_stage,
  relax_stage,
  decode_stage,
  total_stage,
  stage_count
};
const char* const stage_names[stage_count] = {"range", "clear", "assign", "average", "fill",
                                              "close", "relax", "decode", "total"};

struct run_result {
  double ms[stage_count] = {};
  std::uint64_t sum = 0;
  assignment_counts counts;
  averaging_result averaged;
  fill_result filled;
  std::int32_t sweeps = 0;
};

// The processor time of the whole process so far, user and system, in milliseconds: on a
// shared machine it shows the work the threads did apart from the time they waited for a core.
double cpu_ms() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double since(clock_type::time_point& start) {
  const auto now = clock_type::now();
  const double ms = std::chrono::duration<double, std::milli>(now - start).count();
  start = now;
  return ms;
}

run_result run_once(const point_arrays& points, const grid_placement& at, const node_grid& grid,
                    worker_team& team, assignment_lists& lists) {
  run_result r;
  std::vector<point_block> blocks;
  for (std::size_t first = 0; first < points.z.size(); first += block_points) {
    const std::size_t n = std::min(block_points, points.z.size() - first);
    blocks.push_back({std::span(points.x).subspan(first, n), std::span(points.y).subspan(first, n),
                      std::span(points.z).subspan(first, n)});
  }
  auto start = clock_type::now();
  const auto begin = start;
  value_range range;
  for (const point_block& block : blocks) range.add(block.z);
  const encoding_scalars enc = encoding_of(range);
  r.ms[range_stage] = since(start);
  clear_nodes(grid, team);
  r.ms[clear_stage] = since(start);
  std::int64_t k = 1;
  for (const point_block& block : blocks) {
    r.counts += assign_blocks(grid, enc, at, std::span(&block, 1), k, {}, nullptr, team, lists);
    k += std::int64_t(block.z.size());
  }
  r.ms[assign_stage] = since(start);
  r.averaged = average_nodes(grid, enc, team);
  r.ms[average_stage] = since(start);
  r.filled = range_fill(grid, nfill, team);
  r.ms[fill_stage] = since(start);
  close_nodes(grid, team);
  r.ms[close_stage] = since(start);
  r.sweeps = relax(grid, enc.zspan, r.averaged.nempty, tension, team);
  r.ms[relax_stage] = since(start);
  decode_nodes(grid, enc, team);
  r.ms[decode_stage] = since(start);
  r.ms[total_stage] = std::chrono::duration<double, std::milli>(clock_type::now() - begin).count();
  r.sum = checksum(grid);
  return r;
}

void run_configuration(const point_arrays& points, const grid_placement& at, std::int32_t nx,
                       std::int32_t ny, bool column_major, std::int32_t threads) {
  const auto nodes = std::size_t(nx) * std::size_t(ny);
  grid_memory memory(nodes);
  const node_grid grid = column_major ? make_node_grid({memory.data, nodes}, nx, ny, ny, 1)
                                      : make_node_grid({memory.data, nodes}, nx, ny, 1, nx);
  worker_team team(threads);
  assignment_lists lists;
  std::vector<run_result> runs;
  const double cpu_before = cpu_ms();
  for (int round = 0; round < rounds; ++round)
    runs.push_back(run_once(points, at, grid, team, lists));
  const double cpu_per_round = (cpu_ms() - cpu_before) / rounds;
  std::printf("%-12s threads %d:", column_major ? "column-major" : "row-major", threads);
  for (int s = 0; s < stage_count; ++s) {
    std::vector<double> ms;
    for (const run_result& r : runs) ms.push_back(r.ms[s]);
    std::sort(ms.begin(), ms.end());
    std::printf(" %s %.1f/%.1f", stage_names[s], ms[ms.size() / 2], ms.front());
  }
  const run_result& r = runs.front();
  bool same = true;
  for (const run_result& other : runs) same = same && other.sum == r.sum;
  std::printf(
      " ms (median/min of %d), processor time %.1f ms a round\n  checksum %016llx%s; points %lld "
      "accumulated, %lld ignored,"
      " %lld out of range; %lld data nodes, %lld empty, %lld free; %d fill passes,"
      " %d sweeps\n",
      rounds, cpu_per_round, static_cast<unsigned long long>(r.sum), same ? "" : " VARIES",
      static_cast<long long>(r.counts.accumulated), static_cast<long long>(r.counts.ignored),
      static_cast<long long>(r.counts.out_of_range), static_cast<long long>(r.averaged.data_nodes),
      static_cast<long long>(r.averaged.nempty), static_cast<long long>(r.filled.filled),
      r.filled.passes, r.sweeps);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FILE NX NY [THREADS...]\n", argv[0]);
    return 2;
  }
  const std::int32_t nx = std::atoi(argv[2]);
  const std::int32_t ny = std::atoi(argv[3]);
  if (nx < 2 || ny < 2) {
    std::fprintf(stderr, "NX and NY must be at least 2\n");
    return 2;
  }
  std::vector<std::int32_t> thread_counts;
  for (int k = 4; k < argc; ++k) thread_counts.push_back(std::max(1, std::atoi(argv[k])));
  if (thread_counts.empty()) thread_counts = {1, 2};

  point_arrays points;
  auto start = clock_type::now();
  if (!load_points(argv[1], points)) {
    std::fprintf(stderr, "%s: cannot read three numbers a line\n", argv[1]);
    return 1;
  }
  const double load_ms = since(start);
  plaxen::limits_tracker tracker;
  for (std::size_t k = 0; k < points.z.size(); ++k) tracker.add(points.x[k], points.y[k]);
  const plaxen::DataLimits limits = tracker.limits();
  const grid_placement at{
      limits.xmin, limits.ymin,
      static_cast<float>((double(limits.xmax) - double(limits.xmin)) / double(nx - 1)),
      static_cast<float>((double(limits.ymax) - double(limits.ymin)) / double(ny - 1))};
  std::printf("%zu points loaded in %.0f ms; grid %d x %d, dx %.9g, dy %.9g\n", points.z.size(),
              load_ms, nx, ny, double(at.dx), double(at.dy));
  for (const bool column_major : {false, true})
    for (const std::int32_t threads : thread_counts)
      run_configuration(points, at, nx, ny, column_major, threads);
  return 0;
}
