// The engine in stages: points in blocks, both grid layouts and several threads give zgrid's
// result bit for bit; plaxen-info's census of the same run.
#include "plaxen/engine/gridding.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "plaxen/engine/zgrid.h"
#include "plaxen/info/grid_census.h"
#include "tests/zgrid/grid_case.h"

namespace {

using namespace plaxen::engine;
using zgrid_test::bits;

// A job in plaxen's layout (see node_grid.h), unit spacing from 0.
struct job {
  std::int32_t nx = 1, ny = 1;
  std::vector<float> entry;
  std::vector<float> xp, yp, zp;
  std::int32_t nfill = 1;
};

// Everything a run gives: the grid (plaxen's layout), the counts, the outsiders in order.
struct outcome {
  std::vector<float> z;
  std::vector<std::uint32_t> node_counts;
  std::vector<std::tuple<std::int64_t, std::uint32_t, std::uint32_t, std::uint32_t>> outsiders;
  gridding_stats stats;
};

out_of_range_sink recorder(outcome& out) {
  return [&out](std::int64_t k, float x, float y, float z) {
    out.outsiders.emplace_back(k, bits(x), bits(y), bits(z));
  };
}

outcome run_zgrid(const job& c) {
  outcome out;
  out.z = c.entry;
  out.stats = plaxen::zgrid(out.z, c.nx, 1, c.nx, c.ny, 0.0f, 0.0f, 1.0f, 1.0f, c.xp, c.yp, c.zp,
                            std::int32_t(c.zp.size()), 3.0f, c.nfill, recorder(out));
  return out;
}

// The same job through the stages: the points in three uneven blocks over two assign calls,
// the value range scanned block by block and merged, the grid in either layout.
outcome run_staged(const job& c, bool column_major, std::int32_t threads) {
  const std::size_t n = c.zp.size();
  const std::size_t cuts[] = {0, n / 7, n / 5, n};
  std::vector<point_block> blocks;
  value_range range;
  for (int b = 0; b < 3; ++b) {
    const std::size_t first = cuts[b], count = cuts[b + 1] - cuts[b];
    blocks.push_back({std::span(c.xp).subspan(first, count), std::span(c.yp).subspan(first, count),
                      std::span(c.zp).subspan(first, count)});
    value_range part;
    part.add(blocks.back().z);
    range.merge(part);
  }
  const std::int64_t x_stride = column_major ? c.ny : 1, y_stride = column_major ? 1 : c.nx;
  std::vector<float> z(c.entry.size());
  const node_grid grid = make_node_grid(z, c.nx, c.ny, x_stride, y_stride);
  for (std::int32_t i = 1; i <= c.nx; ++i)
    for (std::int32_t j = 1; j <= c.ny; ++j)
      grid.at(i, j) = c.entry[std::size_t(i - 1) + std::size_t(j - 1) * std::size_t(c.nx)];
  std::vector<std::uint32_t> counts(z.size(), 7u);
  outcome out;
  gridding stages(grid, {0.0f, 0.0f, 1.0f, 1.0f}, encoding_of(range), threads, counts);
  stages.clear();
  stages.assign(std::span(blocks).first(1), recorder(out));
  stages.assign(std::span(blocks).subspan(1), recorder(out));
  out.stats = stages.finish(3.0f, c.nfill);
  for (std::int32_t j = 1; j <= c.ny; ++j)
    for (std::int32_t i = 1; i <= c.nx; ++i) {
      out.z.push_back(grid.at(i, j));
      out.node_counts.push_back(counts[std::size_t(grid.index(i, j))]);
    }
  return out;
}

// Random points over the grid and a little beyond it, with values lo + span*[0, 1); `repeats`
// copies of each position in a row, so that nodes fill beyond points_per_node.
void scatter(job& c, std::mt19937& rng, int n, int repeats, float lo, float span) {
  std::uniform_real_distribution<float> x(-0.7f, float(c.nx) - 0.3f), y(-0.7f, float(c.ny) - 0.3f);
  std::uniform_real_distribution<float> v(0.0f, 1.0f);
  for (int k = 0; k < n; ++k) {
    const float px = x(rng), py = y(rng);
    for (int r = 0; r < repeats; ++r) {
      c.xp.push_back(px);
      c.yp.push_back(py);
      c.zp.push_back(lo + span * v(rng));
    }
  }
}

job make_job(std::int32_t nx, std::int32_t ny, std::int32_t nfill) {
  job c;
  c.nx = nx;
  c.ny = ny;
  c.nfill = nfill;
  c.entry.assign(std::size_t(nx) * std::size_t(ny), 0.0f);
  return c;
}

// Blocks of 2 by 5 nodes, side by side and one above the other, kept apart by excluded
// nodes; each holds a pattern whose relaxation stalls on single-precision rounding.
job stalling_job() {
  job c = make_job(3 * 20 - 1, 6 * 3 - 1, 2);
  for (std::int32_t i = 1; i <= c.nx; ++i)
    for (std::int32_t j = 1; j <= c.ny; ++j)
      if (i % 3 == 0 || j % 6 == 0) c.entry[std::size_t(i - 1 + (j - 1) * c.nx)] = 1.0e35f;
  for (int bx = 0; bx < 20; ++bx)
    for (int by = 0; by < 3; ++by) {
      c.xp.insert(c.xp.end(), {float(3 * bx), float(3 * bx)});
      c.yp.insert(c.yp.end(), {float(6 * by), float(6 * by + 3)});
      c.zp.insert(c.zp.end(), {1000000.69f, 1000908.0f});
    }
  return c;
}

TEST(Gridding, EveryLayoutAndThreadCountGivesZgridsResultBitForBit) {
  struct row {
    const char* name;
    job c;
    std::int32_t sweeps;  // the relaxation must run this long for the row to test it (0: any)
  };
  std::mt19937 rng(20261209);
  std::vector<row> rows;
  {
    job c = make_job(37, 23, 2);  // crowded nodes, a few outside, some excluded
    scatter(c, rng, 400, 9, -50.0f, 300.0f);
    for (std::size_t p = 5; p < c.entry.size(); p += 41) c.entry[p] = 2.0e35f;
    rows.push_back({"random points with duplicates", c, 0});
  }
  {
    job c = make_job(120, 90, 3);
    scatter(c, rng, 60, 1, 7.0f, 0.01f);
    rows.push_back({"sparse grid", c, 0});
  }
  {
    job c = make_job(200, 150, 1);  // a cluster in one corner leaves most nodes empty
    std::uniform_real_distribution<float> near(0.0f, 30.0f);
    for (int k = 0; k < 600; ++k) {
      c.xp.push_back(near(rng));
      c.yp.push_back(near(rng));
      c.zp.push_back(near(rng) * near(rng));
    }
    rows.push_back({"many empty nodes", c, 0});
  }
  rows.push_back({"values that stall the relaxation", stalling_job(), 100});
  {
    job c = make_job(4, 1500, 1);
    scatter(c, rng, 1500, 1, 0.0f, 1.0f);
    rows.push_back({"more than 1000 rows", c, 0});
  }
  {
    job c = make_job(3, 100000, 1);
    scatter(c, rng, 175000, 2, -1.0e4f, 2.0e4f);  // a block of more than one chunk
    rows.push_back({"3 x 100000", c, 0});
  }
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const outcome expected = run_zgrid(r.c);
    if (r.sweeps != 0) {
      ASSERT_EQ(expected.stats.sweeps, r.sweeps);
    }
    std::vector<std::uint32_t> node_counts;
    for (const bool column_major : {false, true})
      for (const std::int32_t threads : {1, 2, 3}) {
        SCOPED_TRACE(testing::Message() << (column_major ? "column-major" : "row-major") << ", "
                                        << threads << " threads");
        const outcome got = run_staged(r.c, column_major, threads);
        for (std::size_t p = 0; p < got.z.size(); ++p)
          if (bits(got.z[p]) != bits(expected.z[p])) {
            ADD_FAILURE() << "node " << p << ": " << got.z[p] << ", zgrid " << expected.z[p];
            break;
          }
        EXPECT_EQ(got.outsiders, expected.outsiders);
        EXPECT_EQ(got.stats.points.accumulated, expected.stats.points.accumulated);
        EXPECT_EQ(got.stats.points.ignored, expected.stats.points.ignored);
        EXPECT_EQ(got.stats.points.out_of_range, std::int64_t(expected.outsiders.size()));
        EXPECT_EQ(got.stats.data_nodes, expected.stats.data_nodes);
        EXPECT_EQ(got.stats.nempty, expected.stats.nempty);
        EXPECT_EQ(got.stats.free_nodes, expected.stats.free_nodes);
        EXPECT_EQ(got.stats.fill_passes, expected.stats.fill_passes);
        EXPECT_EQ(got.stats.sweeps, expected.stats.sweeps);
        // Every point inside the grid is counted on its node, taken or not.
        std::int64_t counted = 0;
        for (const std::uint32_t count : got.node_counts) counted += count;
        EXPECT_EQ(counted, got.stats.points.accumulated + got.stats.points.ignored);
        if (node_counts.empty()) node_counts = got.node_counts;
        EXPECT_EQ(got.node_counts, node_counts);
      }
  }
}

TEST(Gridding, RefusesArraysThatDoNotHoldTheGrid) {
  std::vector<float> z(12);
  std::vector<std::uint32_t> counts(11);
  struct row {
    const char* name;
    std::int32_t nx, ny;
    std::int64_t x_stride, y_stride;
    const char* message;
  };
  const row rows[] = {
      {"negative size", -1, 3, 1, 1, "node grid: nx and ny must not be negative"},
      {"zero stride", 3, 4, 0, 3, "node grid: the strides must be at least 1"},
      {"rows overlap", 3, 4, 1, 2, "node grid: the strides make two nodes share an element"},
      {"too few elements", 3, 5, 1, 3,
       "node grid: the array holds fewer elements than the grid needs"},
      {"stride beyond 64 bits", 3, 2, std::int64_t{1} << 62, 2,
       "node grid: the array holds fewer elements than the grid needs"},
      {"node counts too short", 3, 4, 4, 1,
       "gridding: the node counts hold fewer elements than the grid"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    try {
      const node_grid grid = make_node_grid(z, r.nx, r.ny, r.x_stride, r.y_stride);
      gridding stages(grid, {}, {}, 1, counts);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), r.message);
    }
  }
  const node_grid grid = make_node_grid(z, 3, 4, 1, 3);
  gridding stages(grid, {0.0f, 0.0f, 1.0f, 1.0f}, {}, 2);
  const std::vector<float> two(2), three(3);
  const point_block uneven{three, two, three};
  try {
    stages.assign(std::span(&uneven, 1));
    ADD_FAILURE() << "accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "point block: x, y and z differ in length");
  }
  EXPECT_EQ(stages.points_given(), 0);
}

TEST(GridCensus, CountsDefinedNodesThatSettleAtTheMissingValue) {
  // Unit spacing from (0, 0). Values -1004 and -994: encoded 102.5 and 112.5, all exact.
  struct row {
    const char* name;
    plaxen::GridSize size;
    std::vector<std::tuple<float, float, float>> points;
    std::int64_t data_nodes, defined_nodes, at_missing_value;
  };
  const row rows[] = {
      {"a data node holds -999", {2, 2}, {{0, 0, -999.0f}, {1, 1, -989.0f}}, 2, 4, 1},
      {"free nodes settle at -999 between -1004 and -994",
       {3, 2},
       {{0, 0, -1004.0f}, {2, 0, -994.0f}, {0, 1, -1004.0f}, {2, 1, -994.0f}},
       4,
       6,
       2},
      {"no node at -999", {2, 2}, {{0, 0, -998.0f}, {1, 1, -988.0f}}, 2, 4, 0},
      {"undefined nodes are not counted", {5, 2}, {{0, 0, 1.0f}, {0, 1, 2.0f}}, 2, 4, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<float> xp, yp, zp;
    for (const auto& [x, y, z] : r.points) {
      xp.push_back(x);
      yp.push_back(y);
      zp.push_back(z);
    }
    const plaxen::GridGeometry geometry{0.0f, 0.0f, float(r.size.nx - 1), float(r.size.ny - 1),
                                        1.0f, 1.0f};
    const plaxen::info::GridCensus census = plaxen::info::take_census(r.size, geometry, xp, yp, zp);
    EXPECT_EQ(census.data_nodes, r.data_nodes);
    EXPECT_EQ(census.defined_nodes, r.defined_nodes);
    EXPECT_EQ(census.defined_at_missing_value, r.at_missing_value);
  }
}

}  // namespace
