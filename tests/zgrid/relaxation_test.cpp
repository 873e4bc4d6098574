// The relaxation of free nodes: settled values of simple stencils and how the sweeps end.
#include "plaxen/engine/relaxation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "plaxen/engine/node_encoding.h"
#include "plaxen/engine/point_assignment.h"
#include "plaxen/engine/range_fill.h"
#include "tests/zgrid/grid_case.h"

namespace {

using zgrid_test::bits;
using zgrid_test::grid_case;

TEST(Relaxation, TwoNodesOnOneSideSettleAtTheirTensionedExtrapolation) {
  // Row of three: q = 6, p = 10, free node. (p(1 + 2t) - t q)/(1 + t).
  struct row {
    float tension, expected;
  };
  const row rows[] = {{3.0f, 13.0f}, {1.0f, 12.0f}, {0.0f, 10.0f}, {7.0f, 13.5f}};
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << "tension " << r.tension);
    grid_case g(3, 1);
    g.put_on(1, 1, 6.0f);
    g.put_on(2, 1, 10.0f);
    g.run(r.tension);
    EXPECT_EQ(g.at(3, 1), r.expected);
  }
}

TEST(Relaxation, AFreeNodeBetweenTwoDataNodesSettlesAtTheirMeanWhateverTheTension) {
  for (const float tension : {0.0f, 0.5f, 3.0f, 40.0f}) {
    SCOPED_TRACE(testing::Message() << "tension " << tension);
    grid_case g(3, 1);
    g.put_on(1, 1, 2.0f);
    g.put_on(3, 1, 6.0f);
    g.run(tension);
    EXPECT_EQ(g.z, (std::vector<float>{2.0f, 4.0f, 6.0f}));
  }
}

TEST(Relaxation, AFreeNodeInsideFourDataNodesSettlesAtTheirMean) {
  // 3 by 3, data on the four sides of the centre, corners excluded: no second neighbours.
  for (const float tension : {0.0f, 3.0f}) {
    SCOPED_TRACE(testing::Message() << "tension " << tension);
    grid_case g(3, 3);
    for (const auto& [i, j] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) g.at(i, j) = 1.0e35f;
    g.put_on(2, 1, 1.0f);
    g.put_on(1, 2, 3.0f);
    g.put_on(3, 2, 5.0f);
    g.put_on(2, 3, 7.0f);
    g.run(tension);
    EXPECT_EQ(g.z, (std::vector<float>{1.0e35f, 1.0f, 1.0e35f, 3.0f, 4.0f, 5.0f, 1.0e35f, 7.0f,
                                       1.0e35f}));
  }
}

// The state zgrid hands to the relaxation, built with the earlier stages.
struct relaxation_case {
  grid_case g;
  plaxen::engine::encoding_scalars enc;
  std::int64_t nempty = 0;

  relaxation_case(std::int32_t nx, std::int32_t ny) : g(nx, ny) {}
  plaxen::engine::node_grid grid() {
    return plaxen::engine::make_node_grid(g.z, g.nx, g.ny, 1, g.nx);
  }
  void prepare(std::int32_t nfill) {
    using namespace plaxen::engine;
    enc = data_range(g.zp);
    clear_nodes(grid());
    assign_points(grid(), enc, {0.0f, 0.0f, 1.0f, 1.0f}, g.xp, g.yp, g.zp);
    nempty = average_nodes(grid(), enc).nempty;
    range_fill(grid(), nfill);
    close_nodes(grid());
  }
};

TEST(Relaxation, EndsOnceASweepChangesNothingAndTheGridIsThenFinal) {
  relaxation_case c(3, 1);
  c.g.put_on(1, 1, 6.0f);
  c.g.put_on(2, 1, 10.0f);
  c.prepare(1);
  // Sweep 1 moves the free node from 45 to 48; sweep 2 changes nothing and ends the relaxation.
  EXPECT_EQ(plaxen::engine::relax(c.grid(), c.enc.zspan, c.nempty, 3.0f), 2);
  const std::vector<float> settled = c.g.z;
  EXPECT_EQ(settled[2], 48.0f);
  EXPECT_FALSE(plaxen::engine::relaxation_sweep(c.grid(), 3.0f, 1.0f).changed);
  EXPECT_EQ(c.g.z, settled);
}

TEST(Relaxation, AGridWithoutFreeNodesIsLeftAlone) {
  relaxation_case c(4, 2);
  c.g.put_on(1, 1, 6.0f);
  c.g.put_on(4, 2, 10.0f);
  c.prepare(0);
  const std::vector<float> closed = c.g.z;
  EXPECT_EQ(plaxen::engine::relax(c.grid(), c.enc.zspan, c.nempty, 3.0f), 1);
  EXPECT_EQ(c.g.z, closed);
}

TEST(Relaxation, ANodeWithoutWeightUnderNegativeTensionKeepsItsValue) {
  // Tension -1: one neighbour (weight 1) and the one beyond it (weight -1) sum to W = 0.
  grid_case g(3, 1);
  g.put_on(1, 1, 6.0f);
  g.put_on(2, 1, 10.0f);
  g.run(-1.0f);
  EXPECT_EQ(g.z, (std::vector<float>{6.0f, 10.0f, 10.0f}));
}

// Random grids: no node comes back as NaN, and with a non-negative tension every node is a
// value in data units or exactly 1.0e35. With tiny spans the squared changes underflow.
TEST(Relaxation, ResultsStayFiniteForAnySpanAndTension) {
  std::mt19937 rng(20261209);
  for (int trial = 0; trial < 60; ++trial) {
    const float scale = trial % 3 == 0 ? 1.0e-18f : trial % 3 == 1 ? 1.0f : 1.0e28f;
    const float tension = trial % 4 == 0 ? -0.7f : trial % 4 == 1 ? 0.0f : 3.0f;
    SCOPED_TRACE(testing::Message()
                 << "trial " << trial << " scale " << scale << " tension " << tension);
    std::uniform_int_distribution<int> size(2, 12);
    grid_case g(size(rng), size(rng));
    std::uniform_real_distribution<float> x(0.0f, float(g.nx - 1)), y(0.0f, float(g.ny - 1));
    std::uniform_real_distribution<float> v(-scale, scale);
    const int n = std::uniform_int_distribution<int>(2, 3 * g.nx)(rng);
    for (int k = 0; k < n; ++k) g.put(x(rng), y(rng), v(rng));
    g.run(tension, 1 + trial % 3);
    for (const float s : g.z) {
      EXPECT_FALSE(std::isnan(s));
      if (tension >= 0.0f && s >= 0.9e35f) {
        EXPECT_EQ(bits(s), bits(1.0e35f));
      }
    }
  }
}

// The three ways the factor update can go, with values worked by hand.
TEST(Relaxation, FactorUpdateBranches) {
  struct row {
    const char* what;
    float omega, rate;
    bool updated;
    double expected;  // the new omega, to single-precision rounding
  };
  const row rows[] = {
      // Past the optimum (omega - 1 >= rate): candidate 1 + rate, omega 1.3 - 0.7/4.
      {"past the optimum", 1.5f, 0.3f, true, 1.125},
      // Rate guard: stalled changes leave omega as it is.
      {"rate guard", 1.0f, 0.9995f, false, 1.0},
      // Young's relation from omega 1: g = rate, h = rate, w = 2/(1 + sqrt(0.36)) = 1.25,
      // omega = 1.25 - 0.75/4.
      {"Young's relation", 1.0f, 0.64f, true, 1.0625},
      // omega below 1 and a tiny rate: h = (0.01 - 0.2)^2/0.64/0.01 > 1 has no root, so the
      // candidate stays 1 + rate: omega = 1.01 - 0.99/4.
      {"no root", 0.8f, 0.01f, true, 0.7625},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    float omega = r.omega;
    EXPECT_EQ(plaxen::engine::update_factor(omega, r.rate), r.updated);
    EXPECT_TRUE(std::isfinite(omega));
    EXPECT_NEAR(omega, r.expected, 1e-6 * r.expected);
  }
}

}  // namespace
