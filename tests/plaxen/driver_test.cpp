// Unit tests of the driver's own rules: grid size checks, geometry rounding, value span,
// data limits and the marking of undefined nodes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/job_check.h"
#include "plaxen/common/limits_tracker.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/common/value_span.h"
#include "plaxen/driver/grid_file.h"

namespace {

using namespace plaxen;

// The job's checks in plaxen's order: too few nodes, too many for the capacity, the span.
TEST(JudgeJob, RefusalsInPlaxensOrder) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    std::int32_t nx, ny;
    float span;
    std::string_view refusal;
  };
  const Row rows[] = {
      {250, 200, 3.0f, ""},
      {250, 201, 3.0f, too_many_nodes_refusal},
      {4000, 12, 3.0f, ""},
      {1, 5, 3.0f, too_few_nodes_refusal},
      {-3, -3, 3.0f, too_few_nodes_refusal},
      {INT32_MAX, INT32_MAX, 3.0f, too_many_nodes_refusal},  // the product does not overflow
      {1, 100000, 1e33f, too_few_nodes_refusal},
      {250, 201, 1e33f, too_many_nodes_refusal},
      {2, 2, 1e32f, value_span_refusal},
      {2, 2, 9.99e31f, ""},
      {2, 2, inf, value_span_refusal},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.nx << " x " << r.ny << ", span " << r.span);
    EXPECT_EQ(judge_job({r.nx, r.ny}, max_nodes, r.span), r.refusal);
  }
}

// The spacing and the fitted extent are rounded once from double arithmetic.
TEST(GridGeometry, SpacingAndExtentRoundOnce) {
  DataLimits limits;
  limits.xmin = 521000.125f;
  limits.xmax = 523000.875f;
  limits.ymin = 0.1f;
  limits.ymax = 0.7f;
  const GridGeometry g = grid_geometry(limits, GridSize{7, 4});
  const float dx = static_cast<float>((double{limits.xmax} - double{limits.xmin}) / 6.0);
  const float dy = static_cast<float>((double{limits.ymax} - double{limits.ymin}) / 3.0);
  EXPECT_EQ(g.dx, dx);
  EXPECT_EQ(g.dy, dy);
  EXPECT_EQ(g.xmax, static_cast<float>(double{limits.xmin} + 6.0 * double{dx}));
  EXPECT_EQ(g.ymax, static_cast<float>(double{limits.ymin} + 3.0 * double{dy}));
  EXPECT_EQ(g.xmin, limits.xmin);
  EXPECT_EQ(g.ymin, limits.ymin);
}

// Two spacings rounded to single precision and widened back, side by side, as the companions
// and the tests form them: the build must keep both roundings (GCC 12's straight-line
// vectorizer drops them unless it is switched off). This test is compiled as a user's program
// (tests/plaxen/CMakeLists.txt): the flags that keep the roundings come from the libraries.
[[gnu::noinline]] std::pair<double, double> spacings(float x0, float x1, float y0, float y1, int nx,
                                                     int ny) {
  const double dx = static_cast<float>((double(x1) - double(x0)) / double(nx - 1));
  const double dy = static_cast<float>((double(y1) - double(y0)) / double(ny - 1));
  return {dx, dy};
}

TEST(GridGeometry, SideBySideRoundingsStaySingle) {
  // Read through volatile, so the compiler cannot fold the call away.
  volatile float x0 = 521000.0f, x1 = 524000.3f, y0 = 4612346.2f, y1 = 4633000.7f;
  const auto [dx, dy] = spacings(x0, x1, y0, y1, 37, 23);
  EXPECT_EQ(dx, double(static_cast<float>(dx)));
  EXPECT_EQ(dy, double(static_cast<float>(dy)));
}

TEST(ValueSpan, AsTheInterpolationFormsIt) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    std::vector<float> values;  // zp(1..n); element 0 is the unused slot
    float span;
  };
  const Row rows[] = {
      {{0, 1, 2, 3}, 2.0f},
      {{0, -1e31f, 1e31f}, 2e31f},
      {{0, 1, inf}, inf},
      {{0, 16777216.0f, -1.0f}, 16777216.0f},  // 16777217 rounds once to single
      {{0, 5e37f}, 0.0f},                      // one value spans nothing
      {{0}, 0.0f},                             // no values
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.values.size() - 1 << " values, last " << r.values.back());
    EXPECT_EQ(value_span(r.values, std::int32_t(r.values.size() - 1)), r.span);
  }
}

TEST(DataLimits, FirstPointReplacesTheStartingLimits) {
  DataLimits limits;
  track_limits(limits, 3.0f, -2.0f);
  EXPECT_EQ(limits.xmin, 3.0f);
  EXPECT_EQ(limits.xmax, 3.0f);
  EXPECT_EQ(limits.ymin, -2.0f);
  EXPECT_EQ(limits.ymax, -2.0f);
  track_limits(limits, -1.0f, 4.0f);
  EXPECT_EQ(limits.xmin, -1.0f);
  EXPECT_EQ(limits.xmax, 3.0f);
  EXPECT_EQ(limits.ymin, -2.0f);
  EXPECT_EQ(limits.ymax, 4.0f);
}

TEST(DataLimits, RunsTrackedApartAndMergedInOrderGiveTheLimitsOfTheWhole) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float other_nan = -std::numeric_limits<float>::quiet_NaN();
  using points = std::vector<std::pair<float, float>>;
  const std::vector<points> rows = {
      {},
      {{3.0f, -2.0f}, {-1.0f, 4.0f}, {7.0f, 0.5f}},
      {{0.0f, -0.0f}, {-0.0f, 0.0f}, {0.0f, -0.0f}},  // equal values: the first one stays
      {{inf, -inf}, {-inf, inf}, {1.0f, 2.0f}},
      {{2.0e35f, -3.0e38f}, {1.0e35f, -1.0e35f}},  // at or beyond the starting limits
      {{nan, 1.0f}, {4.0f, 2.0f}, {5.0f, 3.0f}},   // the value after a NaN is always taken
      {{1.0f, nan}, {-1.0f, 5.0f}, {nan, 6.0f}},   // a NaN last is the limit
      {{other_nan, 0.0f}, {nan, 0.0f}, {3.0f, -1.0f}, {2.0f, nan}, {9.0f, -4.0f}},
      // Runs long enough to be taken four values at a time: zeros inside, and the least
      // a 0.0 before a -0.0 (the first of the equal zeros stays).
      {{1.0f, 2.0f},
       {-0.0f, 5.0f},
       {3.0f, -4.0f},
       {7.0f, 0.0f},
       {-2.0f, 1.0f},
       {4.0f, 4.0f},
       {5.0f, -6.0f},
       {6.0f, 3.0f},
       {-1.0f, 8.0f}},
      {{5.0f, 1.0f},
       {0.0f, 2.0f},
       {5.0f, 3.0f},
       {5.0f, 4.0f},
       {5.0f, 5.0f},
       {-0.0f, 6.0f},
       {5.0f, 7.0f},
       {5.0f, 8.0f}},
  };
  auto same = [](float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
  };
  for (const points& row : rows) {
    SCOPED_TRACE(testing::Message() << row.size() << " points");
    DataLimits expected;
    for (const auto& [x, y] : row) track_limits(expected, x, y);
    std::vector<float> xs, ys;
    for (const auto& [x, y] : row) xs.push_back(x), ys.push_back(y);
    for (std::size_t a = 0; a <= row.size(); ++a)
      for (std::size_t b = a; b <= row.size(); ++b)
        for (const bool whole : {false, true}) {
          SCOPED_TRACE(testing::Message() << "runs end at " << a << " and " << b
                                          << (whole ? ", the middle taken whole" : ""));
          limits_tracker first, middle, last;
          for (std::size_t k = 0; k < row.size(); ++k)
            if (!whole || k < a || k >= b)
              (k < a ? first : k < b ? middle : last).add(row[k].first, row[k].second);
          if (whole) middle.add(std::span(xs).subspan(a, b - a), std::span(ys).subspan(a, b - a));
          middle.merge(last);
          first.merge(middle);
          const DataLimits got = first.limits();
          EXPECT_TRUE(same(got.xmin, expected.xmin)) << got.xmin << " for " << expected.xmin;
          EXPECT_TRUE(same(got.xmax, expected.xmax)) << got.xmax << " for " << expected.xmax;
          EXPECT_TRUE(same(got.ymin, expected.ymin)) << got.ymin << " for " << expected.ymin;
          EXPECT_TRUE(same(got.ymax, expected.ymax)) << got.ymax << " for " << expected.ymax;
        }
  }
}

TEST(GridFile, UndefinedNodesBecomeMissingValue) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<float> z = {1.5f, 1.0e35f, 2.0e35f, 0.99e35f, -1.0e35f, nan, 7.0f};
  mark_undefined_nodes(z, 3, 2);
  EXPECT_EQ(z[0], 1.5f);
  EXPECT_EQ(z[1], missing_value);
  EXPECT_EQ(z[2], missing_value);
  EXPECT_EQ(z[3], 0.99e35f);
  EXPECT_EQ(z[4], -1.0e35f);
  EXPECT_TRUE(std::isnan(z[5]));
  EXPECT_EQ(z[6], 7.0f);  // beyond nx*ny: not part of the grid
}

}  // namespace
