// Point-in-polygon decisions: boundary tie-breaks, degenerate polygons, the kept crossings.
#include "plaxen/blanking/inside.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Polygon {
  std::vector<float> x;
  std::vector<float> y;
  std::int32_t nv() const { return static_cast<std::int32_t>(x.size()); }
};

std::int32_t fresh(float xt, float yt, const Polygon& p) {
  std::int32_t inflag = plaxen::rebuild_crossings;
  plaxen::inside(xt, yt, p.x, p.y, p.nv(), inflag);
  return inflag;
}

std::string where(const std::string& name, float xt, float yt) {
  return name + " at (" + std::to_string(xt) + ", " + std::to_string(yt) + ")";
}

const Polygon square_ccw{{0, 1, 1, 0}, {0, 0, 1, 1}};
const Polygon square_cw{{0, 0, 1, 1}, {0, 1, 1, 0}};
const Polygon square_closed{{0, 1, 1, 0, 0}, {0, 0, 1, 1, 0}};
const Polygon square_twice{{0, 1, 1, 0, 0, 1, 1, 0}, {0, 0, 1, 1, 0, 0, 1, 1}};

struct PointCase {
  float x, y;
  std::int32_t expected;
};

// The unit square: bottom and left edges outside, top and right edges inside, of the
// corners only (1,1) inside.
const PointCase unit_square_cases[] = {
    {0.5f, 0.5f, 1}, {1.5f, 0.5f, 0}, {-0.5f, 0.5f, 0}, {0.5f, 0.0f, 0},    {0.5f, 1.0f, 1},
    {0.0f, 0.5f, 0}, {1.0f, 0.5f, 1}, {0.0f, 0.0f, 0},  {1.0f, 0.0f, 0},    {0.0f, 1.0f, 0},
    {1.0f, 1.0f, 1}, {0.5f, 1.5f, 0}, {0.5f, -0.5f, 0}, {0.25f, 0.999f, 1},
};

TEST(Inside, UnitSquareInEveryListing) {
  const std::pair<std::string, const Polygon*> listings[] = {
      {"counter-clockwise", &square_ccw},
      {"clockwise", &square_cw},
      {"closing vertex repeated", &square_closed}};
  for (const auto& [name, polygon] : listings) {
    for (const PointCase& c : unit_square_cases) {
      SCOPED_TRACE(where(name, c.x, c.y));
      EXPECT_EQ(fresh(c.x, c.y, *polygon), c.expected);
    }
  }
}

TEST(Inside, SquareListedTwiceContainsNothing) {
  for (const PointCase& c : unit_square_cases) {
    SCOPED_TRACE(where("doubled square", c.x, c.y));
    EXPECT_EQ(fresh(c.x, c.y, square_twice), 0);
  }
}

// Where the vertical line passes across the boundary at a vertex it crosses once; where it
// only touches a rightmost vertex it crosses twice at the same y, a leftmost one not at all.
TEST(Inside, VerticesOnTheVerticalLine) {
  const Polygon diamond{{0, 1, 2, 1}, {1, 0, 1, 2}};
  const Polygon pointing_right{{0, 2, 0}, {0, 1, 2}};
  const Polygon pointing_left{{2, 0, 2}, {0, 1, 2}};
  const struct {
    const char* name;
    const Polygon* polygon;
    PointCase point;
  } cases[] = {
      {"diamond", &diamond, {1.0f, 1.0f, 1}},
      {"diamond", &diamond, {1.0f, 2.5f, 0}},
      {"diamond", &diamond, {1.0f, -0.5f, 0}},
      {"right tip", &pointing_right, {2.0f, 1.5f, 0}},
      {"right tip", &pointing_right, {2.0f, 0.5f, 0}},
      {"left tip", &pointing_left, {0.0f, 1.5f, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(where(c.name, c.point.x, c.point.y));
    EXPECT_EQ(fresh(c.point.x, c.point.y, *c.polygon), c.point.expected);
  }
}

TEST(Inside, DegeneratePolygons) {
  const Polygon one{{0.5f}, {0.5f}};
  const Polygon two{{0, 1}, {0, 1}};
  for (const PointCase& c : unit_square_cases) {
    SCOPED_TRACE(where("degenerate", c.x, c.y));
    std::int32_t inflag = plaxen::rebuild_crossings;
    plaxen::inside(c.x, c.y, square_ccw.x, square_ccw.y, 0, inflag);
    EXPECT_EQ(inflag, 1) << "nv 0";
    inflag = plaxen::rebuild_crossings;
    plaxen::inside(c.x, c.y, square_ccw.x, square_ccw.y, -3, inflag);
    EXPECT_EQ(inflag, 1) << "nv -3";
    EXPECT_EQ(fresh(c.x, c.y, one), 0) << "nv 1";
    EXPECT_EQ(fresh(c.x, c.y, two), 0) << "nv 2";
  }
}

// A call that is not told to rebuild answers from the kept list, whatever polygon it is given.
TEST(Inside, SameXReusesTheKeptCrossings) {
  const Polygon far_away{{100, 101, 101, 100}, {100, 100, 101, 101}};
  std::int32_t inflag = plaxen::rebuild_crossings;
  plaxen::inside(0.5f, 0.5f, square_ccw.x, square_ccw.y, 4, inflag);
  ASSERT_EQ(inflag, 1);
  plaxen::inside(0.5f, 0.25f, far_away.x, far_away.y, 4, inflag);
  EXPECT_EQ(inflag, 1);
  // An empty polygon answers inside and leaves the kept list alone.
  plaxen::inside(0.5f, 7.0f, far_away.x, far_away.y, 0, inflag);
  EXPECT_EQ(inflag, 1);
  plaxen::inside(0.5f, 2.0f, far_away.x, far_away.y, 4, inflag);
  EXPECT_EQ(inflag, 0);
  plaxen::inside(0.5f, 0.75f, far_away.x, far_away.y, 4, inflag);
  EXPECT_EQ(inflag, 1);
  EXPECT_EQ(inflag, fresh(0.5f, 0.75f, square_ccw));
}

TEST(Inside, RebuildsOnRequestOrOnANewX) {
  const Polygon lifted{{0, 1, 1, 0}, {10, 10, 11, 11}};
  std::int32_t inflag = plaxen::rebuild_crossings;
  plaxen::inside(0.5f, 0.5f, square_ccw.x, square_ccw.y, 4, inflag);
  ASSERT_EQ(inflag, 1);
  inflag = plaxen::rebuild_crossings;
  plaxen::inside(0.5f, 0.5f, lifted.x, lifted.y, 4, inflag);
  EXPECT_EQ(inflag, 0) << "999 with the same x rebuilds";
  plaxen::inside(0.5f, 10.5f, lifted.x, lifted.y, 4, inflag);
  EXPECT_EQ(inflag, 1);
  plaxen::inside(0.75f, 0.5f, square_ccw.x, square_ccw.y, 4, inflag);
  EXPECT_EQ(inflag, 1) << "a new x rebuilds without 999";
}

// A comb whose teeth reach right: the line x = 5 crosses two edges per tooth, 60 in all.
TEST(Inside, CombWithManyCrossingsOnOneLine) {
  constexpr int teeth = 30;
  Polygon comb{{0}, {0}};
  for (int k = 0; k < teeth; ++k) {
    comb.x.insert(comb.x.end(), {10, 10});
    comb.y.insert(comb.y.end(), {2.0f * float(k), 2.0f * float(k) + 1});
    if (k + 1 < teeth) {
      comb.x.insert(comb.x.end(), {1, 1});
      comb.y.insert(comb.y.end(), {2.0f * float(k) + 1, 2.0f * float(k) + 2});
    }
  }
  comb.x.push_back(0);
  comb.y.push_back(2.0f * float(teeth) - 1);
  std::int32_t inflag = plaxen::rebuild_crossings;
  for (int k = 0; k < teeth; ++k) {
    const float in_tooth = 2.0f * float(k) + 0.5f;
    const float in_gap = 2.0f * float(k) + 1.5f;
    SCOPED_TRACE("tooth " + std::to_string(k));
    plaxen::inside(5.0f, in_tooth, comb.x, comb.y, comb.nv(), inflag);
    EXPECT_EQ(inflag, 1);
    plaxen::inside(5.0f, in_gap, comb.x, comb.y, comb.nv(), inflag);
    EXPECT_EQ(inflag, 0);
    EXPECT_EQ(fresh(0.5f, in_tooth, comb), 1) << "the comb's back";
  }
}

// A vertex count beyond the arrays is cut to the arrays: nothing outside them is read.
TEST(Inside, VertexCountBeyondTheArrays) {
  const std::vector<float> x{0, 1, 1, 0};
  const std::vector<float> y{0, 0, 1, 1};
  std::int32_t inflag = plaxen::rebuild_crossings;
  plaxen::inside(0.5f, 0.5f, x, y, 1'000'000, inflag);
  EXPECT_EQ(inflag, 1);
}

}  // namespace
