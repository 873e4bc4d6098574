// The stages of zgrid one by one: data range, nearest node, node encodings, range fill.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/point_assignment.h"
#include "plaxen/engine/range_fill.h"
#include "tests/zgrid/grid_case.h"

namespace {

using namespace plaxen::engine;
using zgrid_test::bits;

node_grid view(std::vector<float>& z, std::int32_t nx, std::int32_t ny) {
  return make_node_grid(z, nx, ny, 1, nx);
}

TEST(DataRange, ValuesFromZeroToHundredGiveTheScalarsOfTheWorkedExample) {
  const std::vector<float> zp = {40.0f, 0.0f, 100.0f, 60.0f};
  const encoding_scalars enc = data_range(zp);
  EXPECT_EQ(enc.zmin, 0.0f);
  EXPECT_EQ(enc.zmax, 100.0f);
  EXPECT_EQ(enc.zspan, 100.0f);
  EXPECT_EQ(enc.zoff, 25.0f);     // -0 + 100*0.25
  EXPECT_EQ(enc.ztop, 125.0f);    // 25 + 100
  EXPECT_EQ(enc.zstep, 2500.0f);  // 125*20
  EXPECT_EQ(enc.zcap, 50000.0f);  // 125*400
}

// The scan as stage 1 states it, one value after the other.
std::pair<float, float> scanned_range(const std::vector<float>& values) {
  if (values.empty()) return {0.0f, 0.0f};
  float zmin = values[0], zmax = values[0];
  for (std::size_t k = 1; k < values.size(); ++k) {
    if (values[k] <= zmin) zmin = values[k];
    if (values[k] >= zmax) zmax = values[k];
  }
  return {zmin, zmax};
}

TEST(DataRange, RunsScannedApartAndMergedInOrderGiveTheScanOfTheWhole) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float other_nan = -std::numeric_limits<float>::signaling_NaN();
  const std::vector<std::vector<float>> rows = {
      {},
      {5.0f},
      {3.0f, 1.0f, 4.0f, 1.0f, 5.0f, 9.0f, 2.0f, 6.0f},
      {0.0f, -0.0f},  // equal values: the later one is taken
      {-0.0f, 0.0f, -0.0f, 1.0f, -1.0f, -0.0f, 0.0f},
      {inf, -inf, 1.0f, -inf, inf},
      {nan, 1.0f, -2.0f},  // a first NaN stays
      {other_nan, nan, 3.0f},
      {1.0f, nan, -2.0f, nan, 7.0f},  // later NaNs are never taken
      {nan, nan},
      {2.0f, 7.0f, -3.0f, 5.0f, -0.0f, 8.0f, 6.0f, 4.0f, 1.0f, nan, 3.0f, 9.0f, -5.0f},
  };
  for (const std::vector<float>& values : rows) {
    SCOPED_TRACE(testing::Message() << values.size() << " values");
    const auto [zmin, zmax] = scanned_range(values);
    // Split into a first run, a middle run and the rest at every pair of points.
    for (std::size_t a = 0; a <= values.size(); ++a)
      for (std::size_t b = a; b <= values.size(); ++b)
        for (const bool whole : {false, true}) {
          SCOPED_TRACE(testing::Message() << "runs end at " << a << " and " << b
                                          << (whole ? ", the middle taken whole" : ""));
          value_range first, middle, last;
          for (std::size_t k = 0; k < values.size(); ++k)
            if (!whole || k < a || k >= b) (k < a ? first : k < b ? middle : last).add(values[k]);
          if (whole) middle.add(std::span(values).subspan(a, b - a));
          middle.merge(last);
          first.merge(middle);
          EXPECT_EQ(bits(first.zmin()), bits(zmin));
          EXPECT_EQ(bits(first.zmax()), bits(zmax));
          EXPECT_EQ(first.count(), std::int64_t(values.size()));
        }
  }
}

TEST(NearestIndex, PicksTheNearestNodeAndRefusesEverythingOutside) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct row {
    float p, origin, step;
    std::int32_t count, expected;
  };
  const row rows[] = {
      {0.0f, 0.0f, 1.0f, 5, 1},
      {0.5f, 0.0f, 1.0f, 5, 2},  // half-way goes to the higher index
      {std::nextafter(0.5f, 0.0f), 0.0f, 1.0f, 5, 1},
      {-0.5f, 0.0f, 1.0f, 5, 1},  // half a spacing below node 1
      {std::nextafter(-0.5f, -1.0f), 0.0f, 1.0f, 5, 0},
      {-1.0f, 0.0f, 1.0f, 5, 0},  // sum 0.5 truncates to 0
      {-3.0f, 0.0f, 1.0f, 5, 0},  // negative sum
      {std::nextafter(4.5f, 0.0f), 0.0f, 1.0f, 5, 5},
      {4.5f, 0.0f, 1.0f, 5, 0},             // at nx - 0.5: outside
      {7.25f, 10.0f, -1.0f, 5, 4},          // a negative spacing counts downwards
      {3.0f, 3.0f, 0.0f, 5, 0},             // 0/0
      {4.0f, 3.0f, 0.0f, 5, 0},             // 1/0
      {3.0e38f, -3.0e38f, 1.0e-30f, 5, 0},  // huge quotient
      {inf, 0.0f, 1.0f, 5, 0},
      {nan, 0.0f, 1.0f, 5, 0},
      {2147483008.0f, 0.0f, 1.0f, INT_MAX, 2147483009},
      {3.0e9f, 0.0f, 1.0f, INT_MAX, 0},  // does not fit a 32-bit integer
      {0.0f, 0.0f, 1.0f, 0, 0},          // no nodes at all
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << "p=" << r.p << " origin=" << r.origin << " step=" << r.step
                                    << " count=" << r.count);
    EXPECT_EQ(nearest_index(r.p, r.origin, r.step, r.count), r.expected);
  }
}

// The worked example: values 0..100, a node receiving 40 then 60.
TEST(NodeEncoding, WorkedExampleStageByStage) {
  std::vector<float> z(4, 7.0f);
  const node_grid grid = view(z, 4, 1);
  const std::vector<float> xp = {1.0f, 2.0f, 3.0f, 1.0f};
  const std::vector<float> yp = {0.0f, 0.0f, 0.0f, 0.0f};
  const std::vector<float> zp = {40.0f, 0.0f, 100.0f, 60.0f};
  const encoding_scalars enc = data_range(zp);
  clear_nodes(grid);
  EXPECT_EQ(z, std::vector<float>(4, 0.0f));

  const grid_placement at{0.0f, 0.0f, 1.0f, 1.0f};
  assign_points(grid, enc, at, std::span(xp).first(1), std::span(yp).first(1),
                std::span(zp).first(1));
  EXPECT_EQ(z[1], 2565.0f);  // 0 + 40 + 25 + 2500
  assign_points(grid, enc, at, std::span(xp).subspan(1), std::span(yp).subspan(1),
                std::span(zp).subspan(1));
  EXPECT_EQ(z, (std::vector<float>{0.0f, 5150.0f, 2525.0f, 2625.0f}));  // 2565 + 60 + 25 + 2500

  EXPECT_EQ(average_nodes(grid, enc).nempty, 1);
  // (2500 - 5150/2) - 1000; (2500 - 2525) - 1000; (2500 - 2625) - 1000.
  EXPECT_EQ(z, (std::vector<float>{empty_marker, -1075.0f, -1025.0f, -1125.0f}));

  EXPECT_EQ(range_fill(grid, 1).passes, 1);
  EXPECT_EQ(z[0], 1075.0f);  // the magnitude of its right neighbour

  close_nodes(grid);
  decode_nodes(grid, enc);
  EXPECT_EQ(z, (std::vector<float>{50.0f, 50.0f, 0.0f, 100.0f}));  // (1075 - 25) - 1000 = 50
}

TEST(NodeEncoding, AFullNodeTakesTheMeanOfItsTwentyValuesEvenAtTheTopOfTheRange) {
  // Values 0..100: each point of 100 adds 2625, so 20 of them give 52500 = 21 * zstep.
  for (const int count : {19, 20, 25}) {
    SCOPED_TRACE(testing::Message() << count << " points of 100");
    std::vector<float> z(2, 0.0f);
    const node_grid grid = view(z, 2, 1);
    std::vector<float> xp(1, 1.0f), yp(1, 0.0f), zp(1, 0.0f);
    for (int k = 0; k < count; ++k) {
      xp.push_back(0.0f);
      yp.push_back(0.0f);
      zp.push_back(100.0f);
    }
    const encoding_scalars enc = data_range(zp);
    assign_points(grid, enc, {0.0f, 0.0f, 1.0f, 1.0f}, xp, yp, zp);
    EXPECT_EQ(z[0], float(2625 * std::min(count, 20)));
    average_nodes(grid, enc);
    EXPECT_EQ(z[0], -1125.0f);  // (2500 - 2625) - 1000: the encoded value of 100
    decode_nodes(grid, enc);
    EXPECT_EQ(z[0], 100.0f);
  }
}

TEST(NodeEncoding, ExcludedNodesAreNeverClearedAssignedOrChanged) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> entry = {big, 1.0e35f, 3.0e38f, inf, std::nextafter(big, 0.0f)};
  std::vector<float> z = entry;
  const node_grid grid = view(z, 5, 1);
  clear_nodes(grid);
  // Only the value just below big is an ordinary node.
  EXPECT_EQ(z, (std::vector<float>{big, 1.0e35f, 3.0e38f, inf, 0.0f}));
  const std::vector<float> xp = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}, yp(5, 0.0f), zp = {1, 2, 3, 4, 5};
  const encoding_scalars enc = data_range(zp);
  assign_points(grid, enc, {0.0f, 0.0f, 1.0f, 1.0f}, xp, yp, zp);
  EXPECT_EQ(average_nodes(grid, enc).nempty, 0);
  close_nodes(grid);
  decode_nodes(grid, enc);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(bits(z[k]), bits(entry[k])) << "node " << k + 1;
  EXPECT_EQ(z[4], 5.0f);
}

// An encoded grid after averaging: 'D' data node of value -(10 + index), '.' empty,
// 'X' excluded. Rows are listed from the top (j = ny) down, as on a map.
struct fill_case {
  const char* name;
  std::vector<const char*> rows;
  std::int32_t nfill;
  std::vector<const char*> filled;  // after the fill: 'F' free, others as before
  std::int32_t passes;
};

TEST(RangeFill, GrowsTheDefinedRegionOneStepPerPassInSweepOrder) {
  const std::vector<fill_case> cases = {
      {"column above a lone data node, one pass", {".", ".", ".", "D"}, 1, {".", ".", "F", "D"}, 1},
      {"column above a lone data node, two passes",
       {".", ".", ".", "D"},
       2,
       {".", "F", "F", "D"},
       2},
      {"column below a lone data node, one pass", {"D", ".", ".", "."}, 1, {"D", "F", ".", "."}, 1},
      {"row right of a lone data node", {"D..."}, 1, {"DF.."}, 1},
      {"row left of a lone data node", {"...D"}, 1, {"..FD"}, 1},
      {"one hole, five passes allowed", {"DDD", "D.D", "DDD"}, 5, {"DDD", "DFD", "DDD"}, 2},
      {"no data: nothing to fill", {"..", ".."}, 3, {"..", ".."}, 1},
      {"excluded nodes are no source", {"X.", "XD"}, 1, {"XF", "XD"}, 1},
      {"diagonal neighbours do not count", {"D.", ".."}, 1, {"DF", "F."}, 1},
      {"no pass at all", {".D"}, 0, {".D"}, 0},
  };
  for (const fill_case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto ny = static_cast<std::int32_t>(c.rows.size());
    const auto nx = static_cast<std::int32_t>(std::strlen(c.rows[0]));
    std::vector<float> z(static_cast<std::size_t>(nx * ny));
    const node_grid grid = view(z, nx, ny);
    for (std::int32_t j = 1; j <= ny; ++j)
      for (std::int32_t i = 1; i <= nx; ++i) {
        const char mark = c.rows[static_cast<std::size_t>(ny - j)][i - 1];
        grid.at(i, j) = mark == 'D'   ? -float(10 + grid.index(i, j))
                        : mark == 'X' ? 1.0e35f
                                      : empty_marker;
      }
    EXPECT_EQ(range_fill(grid, c.nfill).passes, c.passes);
    for (std::int32_t j = 1; j <= ny; ++j)
      for (std::int32_t i = 1; i <= nx; ++i) {
        const char mark = c.filled[static_cast<std::size_t>(ny - j)][i - 1];
        SCOPED_TRACE(testing::Message() << "node (" << i << ", " << j << ")");
        const float s = grid.at(i, j);
        if (mark == 'F') {
          EXPECT_GT(s, 0.0f);
          EXPECT_LT(s, big);
        } else if (mark == '.') {
          EXPECT_EQ(s, empty_marker);
        } else if (mark == 'D') {
          EXPECT_EQ(s, -float(10 + grid.index(i, j)));
        } else {
          EXPECT_EQ(s, 1.0e35f);
        }
      }
  }
}

TEST(RangeFill, AnEmptyNodeTakesItsNeighboursInTheOrderBelowLeftAboveRight) {
  // A cross around node (2, 2) of a 3 by 3 grid; each row of the table says which of the
  // four neighbours are data nodes. Node values: below 11, left 12, above 13, right 14.
  struct row {
    bool below, left, above, right;
    float expected;
  };
  const row rows[] = {
      {true, true, true, true, 11.0f},   {false, true, true, true, 12.0f},
      {false, false, true, true, 13.0f}, {false, false, false, true, 14.0f},
      {true, false, false, true, 11.0f}, {false, true, false, true, 12.0f},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << "below " << r.below << " left " << r.left << " above "
                                    << r.above << " right " << r.right);
    std::vector<float> z(9, 1.0e35f);  // corners excluded so that they stay out of the way
    const node_grid grid = view(z, 3, 3);
    grid.at(2, 2) = empty_marker;
    grid.at(2, 1) = r.below ? -11.0f : empty_marker;
    grid.at(1, 2) = r.left ? -12.0f : empty_marker;
    grid.at(2, 3) = r.above ? -13.0f : empty_marker;
    grid.at(3, 2) = r.right ? -14.0f : empty_marker;
    range_fill(grid, 1);
    EXPECT_EQ(grid.at(2, 2), r.expected);
  }
}

// A random grid after averaging: data nodes ('D', negative), empty nodes, excluded nodes.
std::vector<float> random_averaged_grid(std::mt19937& rng, std::size_t nodes) {
  std::vector<float> z;
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_real_distribution<float> value(1.0f, 100.0f);
  for (std::size_t p = 0; p < nodes; ++p) {
    const int k = kind(rng);
    z.push_back(k == 0 ? -value(rng) : k == 1 ? 1.0e35f : empty_marker);
  }
  return z;
}

TEST(RangeFill, BandsOfColumnsFillExactlyAsOneSweep) {
  struct row {
    std::int32_t nx, ny;
  };
  const row rows[] = {{1, 1}, {2, 9}, {9, 2}, {5, 5}, {13, 40}, {40, 13}, {3, 100}, {100, 3}};
  std::mt19937 rng(5150);
  for (const row& r : rows)
    for (std::int32_t nfill = 1; nfill <= 5; ++nfill)
      for (int trial = 0; trial < 4; ++trial) {
        SCOPED_TRACE(testing::Message()
                     << r.nx << " x " << r.ny << ", nfill " << nfill << ", trial " << trial);
        std::vector<float> sequential = random_averaged_grid(rng, std::size_t(r.nx * r.ny));
        const std::vector<float> entry = sequential;
        const fill_result expected = range_fill(view(sequential, r.nx, r.ny), nfill);
        for (const std::int32_t members : {2, 3, 4}) {
          SCOPED_TRACE(testing::Message() << members << " members");
          std::vector<float> banded = entry;
          worker_team team(members);
          const fill_result got = range_fill(view(banded, r.nx, r.ny), nfill, team);
          EXPECT_EQ(got.passes, expected.passes);
          EXPECT_EQ(got.filled, expected.filled);
          for (std::size_t p = 0; p < banded.size(); ++p)
            ASSERT_EQ(bits(banded[p]), bits(sequential[p])) << "node " << p;
        }
      }
}

}  // namespace
