// Whole calls of zgrid on small grids whose results follow by hand from the stage rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "tests/zgrid/grid_case.h"

namespace {

using zgrid_test::bits;
using zgrid_test::grid_case;

constexpr float undefined = 1.0e35f;

TEST(Zgrid, WorkedExampleEndsWithMeansAndTheirExtrapolation) {
  // Nodes 1..4 along x: empty, {40, 60}, {0}, {100}. Encoded: 1075, 1025, 1125 (offset 1025).
  grid_case g(4, 1);
  g.put_on(2, 1, 40.0f);
  g.put_on(3, 1, 0.0f);
  g.put_on(4, 1, 100.0f);
  g.put_on(2, 1, 60.0f);
  g.run();
  // Node 1 sees node 2 (p = 50) and beyond it node 3 (q = 0): (7p - 3q)/4 = 87.5.
  EXPECT_EQ(g.z, (std::vector<float>{87.5f, 50.0f, 0.0f, 100.0f}));
}

TEST(Zgrid, WithoutUsablePointsEveryOrdinaryNodeComesBackUndefined) {
  struct row {
    const char* name;
    std::vector<float> values;
  };
  const row rows[] = {
      {"no point", {}},
      {"one point", {4.0f}},
      {"all values equal", {-2.5f, -2.5f, -2.5f}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    grid_case g(3, 2);
    g.at(3, 2) = 2.0e35f;  // excluded
    g.at(1, 1) = -7.0f;    // ignored entry value
    for (std::size_t k = 0; k < r.values.size(); ++k) g.put_on(1 + std::int32_t(k), 1, r.values[k]);
    g.run();
    EXPECT_EQ(g.z,
              (std::vector<float>{undefined, undefined, undefined, undefined, undefined, 2.0e35f}));
  }
}

TEST(Zgrid, TwentyFivePointsOnOneNodeGiveTheMeanOfTheFirstTwenty) {
  // Node (1, 1) takes 25 points; node (2, 1) holds 0 and 1000, which set the data range.
  grid_case g(2, 1);
  g.put_on(2, 1, 0.0f);
  g.put_on(2, 1, 1000.0f);
  std::vector<float> values;
  for (int k = 0; k < 20; ++k) values.push_back(100.0f + 37.3f * float(k));
  for (int k = 0; k < 5; ++k) values.push_back(1000.0f);  // beyond the 20th: ignored
  for (const float v : values) g.put_on(1, 1, v);
  g.run(3.0f, 0);

  // The same steps by hand: zmin = 0, zmax = 1000, so zspan = 1000, zoff = 250, ztop = 1250.
  const double zspan = 1000.0, zoff = 250.0, zstep = 25000.0;
  float s = 0.0f;
  for (int k = 0; k < 20; ++k)
    s = static_cast<float>(((double(s) + values[std::size_t(k)]) + zoff) + zstep);
  const auto m = static_cast<int>(double(s) / zstep);
  ASSERT_EQ(m, 20);
  const float data_node = static_cast<float>((zstep - double(s) / m) - 10.0 * zspan);
  const float expected = static_cast<float>((std::fabs(double(data_node)) - zoff) - 10.0 * zspan);
  EXPECT_EQ(bits(g.at(1, 1)), bits(expected));

  double mean = 0.0;
  for (int k = 0; k < 20; ++k) mean += values[std::size_t(k)];
  mean /= 20.0;
  EXPECT_NEAR(g.at(1, 1), mean, 1e-3);  // the encoding carries about 1e-5 of the span
}

TEST(Zgrid, FillPassesReachExactlyNfillStepsAndTheFreeNodesKeepTheConstant) {
  // A column of 20 nodes with one data node (value 5) at j = 2 and a second one (value 9) at
  // j = 20, so that the span is not zero; five passes keep their regions apart.
  for (const std::int32_t nfill : {0, 1, 2, 3, 5}) {
    SCOPED_TRACE(testing::Message() << "nfill " << nfill);
    grid_case g(1, 20);
    g.put_on(1, 2, 5.0f);
    g.put_on(1, 20, 9.0f);
    g.run(3.0f, nfill);
    for (std::int32_t j = 1; j <= 9; ++j) {
      SCOPED_TRACE(testing::Message() << "row " << j);
      const bool reached = j == 2 || (j == 1 && nfill >= 1) || (j > 2 && j - 2 <= nfill);
      EXPECT_EQ(g.at(1, j), reached ? 5.0f : undefined);
    }
  }
}

TEST(Zgrid, OneColumnOrOneRowUsesOnlyTheNeighboursThatExist) {
  // Along either axis: data 6, 10 and one empty node beyond the 10, in both directions.
  // (p(1 + 2t) - t q)/(1 + t) with p = 10 and q = 6 gives 13 at tension 3.
  for (const bool along_x : {true, false})
    for (const bool reversed : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << (along_x ? "row" : "column") << (reversed ? " reversed" : ""));
      grid_case g(along_x ? 3 : 1, along_x ? 1 : 3);
      auto node = [&](std::int32_t k) -> float& {
        const std::int32_t pos = reversed ? 4 - k : k;
        return along_x ? g.at(pos, 1) : g.at(1, pos);
      };
      auto put = [&](std::int32_t k, float v) {
        const std::int32_t pos = reversed ? 4 - k : k;
        along_x ? g.put_on(pos, 1, v) : g.put_on(1, pos, v);
      };
      put(1, 6.0f);
      put(2, 10.0f);
      g.run();
      EXPECT_EQ(node(1), 6.0f);
      EXPECT_EQ(node(2), 10.0f);
      EXPECT_EQ(node(3), 13.0f);
    }
}

TEST(Zgrid, ASingleNodeGridHoldsItsMeanOrNothing) {
  grid_case empty(1, 1);
  empty.put(5.0f, 5.0f, 3.0f);  // outside
  empty.run();
  EXPECT_EQ(empty.z[0], undefined);

  grid_case one(1, 1);
  one.put(0.2f, -0.3f, 1.0f);
  one.put(-0.4f, 0.1f, 3.0f);
  one.run();
  EXPECT_EQ(one.z[0], 2.0f);  // zspan 2, zoff -0.5: encoded 20.5 and 22.5 average to 21.5
}

TEST(Zgrid, PointsOnExcludedNodesLeaveThemExactlyAsTheyWere) {
  const float inf = std::numeric_limits<float>::infinity();
  const float entries[] = {0.9e35f, 1.0e35f, 5.0e36f, inf};
  for (const float entry : entries) {
    SCOPED_TRACE(testing::Message() << "entry " << entry);
    grid_case g(3, 1);
    g.at(2, 1) = entry;
    g.put_on(1, 1, 1.0f);
    g.put_on(2, 1, 50.0f);
    g.put_on(3, 1, 3.0f);
    g.run();
    EXPECT_EQ(bits(g.at(2, 1)), bits(entry));
    EXPECT_EQ(g.at(1, 1), 1.0f);
    EXPECT_EQ(g.at(3, 1), 3.0f);
  }
}

TEST(Zgrid, TallGridsBeyondAThousandRowsFillEveryRowCorrectly) {
  // 2 by 25,000: a data node high up at (1, 24000) and one at (2, 1) for the span. With one
  // pass exactly the side neighbours of the data nodes become defined.
  grid_case g(2, 25000);
  g.put_on(1, 24000, 8.0f);
  g.put_on(2, 1, 4.0f);
  g.run();
  for (std::int32_t j = 1; j <= 25000; ++j)
    for (std::int32_t i = 1; i <= 2; ++i) {
      const bool defined = (i == 1 && j >= 23999 && j <= 24001) || (i == 2 && j == 24000) ||
                           (j == 1) || (i == 2 && j == 2);
      const float s = g.at(i, j);
      if (defined != (s < 0.9e35f)) {
        ADD_FAILURE() << "node (" << i << ", " << j << ") holds " << s;
        return;
      }
      if (defined) {
        EXPECT_TRUE(std::isfinite(s)) << "node (" << i << ", " << j << ")";
      }
    }
  EXPECT_EQ(g.at(1, 24000), 8.0f);
  EXPECT_EQ(g.at(2, 1), 4.0f);
}

TEST(Zgrid, ArraysThatDoNotHoldWhatTheCountsSayAreRefusedUntouched) {
  std::vector<float> z(12, 0.5f);
  const std::vector<float> p3(3, 1.0f), p2(2, 1.0f);
  auto call = [&](std::int32_t nxsize, std::int32_t nx, std::int32_t ny, std::span<const float> xp,
                  std::int32_t n) {
    plaxen::zgrid(z, nxsize, 1, nx, ny, 0.0f, 0.0f, 1.0f, 1.0f, xp, p3, p3, n, 3.0f, 1);
  };
  EXPECT_THROW(call(3, 4, 3, p3, 3), std::invalid_argument);  // nxsize < nx
  EXPECT_THROW(call(4, 4, 4, p3, 3), std::invalid_argument);  // 16 nodes in 12
  EXPECT_THROW(call(5, 4, 3, p3, 3), std::invalid_argument);  // last node at 2*5 + 3 = 13
  EXPECT_THROW(call(4, 4, 3, p2, 3), std::invalid_argument);  // n beyond xp
  EXPECT_EQ(z, std::vector<float>(12, 0.5f));
  EXPECT_NO_THROW(call(5, 2, 3, p3, -4));  // 12 >= 2*5 + 2; n < 0 is 0
  EXPECT_EQ(z[0], undefined);
}

}  // namespace
