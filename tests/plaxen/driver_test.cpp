// Unit tests of the driver's own rules: grid size checks, geometry rounding, value span,
// data limits and the marking of undefined nodes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/limits_tracker.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/common/value_span.h"
#include "plaxen/driver/grid_file.h"

namespace {

using namespace plaxen;

TEST(GridSize, NodeChecks) {
  struct Row {
    std::int32_t nx, ny;
    bool too_few, too_many;
  };
  const Row rows[] = {
      {250, 200, false, false},
      {250, 201, false, true},
      {4000, 12, false, false},
      {2, 25000, false, false},
      {2, 25001, false, true},
      {1, 5, true, false},
      {5, 1, true, false},
      {0, 0, true, false},
      {-3, -3, true, false},
      {100000, 100000, false, true},
      {INT32_MAX, INT32_MAX, false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.nx << " x " << r.ny);
    EXPECT_EQ(too_few_nodes({r.nx, r.ny}), r.too_few);
    EXPECT_EQ(too_many_nodes({r.nx, r.ny}), r.too_many);
  }
}

// The spacing and the fitted extent are rounded once from double arithmetic.
TEST(GridGeometry, SpacingAndExtentRoundOnce) {
  DataLimits limits;
  limits.xmin = 521000.125f;
  limits.xmax = 523000.875f;
  limits.ymin = 0.1f;
  limits.ymax = 0.7f;
  copy_data_limits(limits);
  const GridSize size{7, 4};
  derive_spacing(size);
  const float dx = static_cast<float>((double{limits.xmax} - double{limits.xmin}) / 6.0);
  const float dy = static_cast<float>((double{limits.ymax} - double{limits.ymin}) / 3.0);
  EXPECT_EQ(zmask.dx, dx);
  EXPECT_EQ(zmask.dy, dy);
  fit_grid_extent(size);
  EXPECT_EQ(zmask.xmax, static_cast<float>(double{limits.xmin} + 6.0 * double{dx}));
  EXPECT_EQ(zmask.ymax, static_cast<float>(double{limits.ymin} + 3.0 * double{dy}));
  EXPECT_EQ(zmask.xmin, limits.xmin);
  EXPECT_EQ(zmask.ymin, limits.ymin);
}

// Two spacings rounded to single precision and widened back, side by side, as the companions
// and the tests form them: the build must keep both roundings (GCC 12's straight-line
// vectorizer drops them unless it is switched off).
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

TEST(ValueSpan, RefusesSpansTheEncodingCannotHold) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    std::vector<float> values;  // zp(1..n); element 0 is the unused slot
    bool too_large;
  };
  const Row rows[] = {
      {{0, 1, 2, 3}, false}, {{0, -1e31f, 1e31f}, false}, {{0, -1e32f, 0}, true},
      {{0, 0, 1e32f}, true}, {{0, 1, inf}, true},         {{0, -inf, 1}, true},
      {{0, 5e37f}, false},  // one value spans nothing
      {{0}, false},         // no values
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.values.size() - 1 << " values, last " << r.values.back());
    EXPECT_EQ(value_span_too_large(r.values, std::int32_t(r.values.size() - 1)), r.too_large);
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
  };
  auto same = [](float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
  };
  for (const points& row : rows) {
    SCOPED_TRACE(testing::Message() << row.size() << " points");
    DataLimits expected;
    for (const auto& [x, y] : row) track_limits(expected, x, y);
    for (std::size_t a = 0; a <= row.size(); ++a)
      for (std::size_t b = a; b <= row.size(); ++b) {
        SCOPED_TRACE(testing::Message() << "runs end at " << a << " and " << b);
        limits_tracker first, middle, last;
        for (std::size_t k = 0; k < row.size(); ++k)
          (k < a ? first : k < b ? middle : last).add(row[k].first, row[k].second);
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
