// Grid masking by one polygon: values written, modes, union of polygons, untouched nodes.
#include "plaxen/blanking/blank.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "plaxen/common/grid_geometry.h"

namespace {

constexpr float big = 1.0e35f;

// Grid maps, row j = 1 first: 'X' for 1.0e35, '.' for +0.0, '*' for anything else.
std::string grid_map(const std::vector<float>& z, int nx) {
  std::string map;
  for (std::size_t k = 0; k < z.size(); ++k) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(z[k]);
    map += bits == std::bit_cast<std::uint32_t>(big) ? 'X' : bits == 0u ? '.' : '*';
    if ((k + 1) % static_cast<std::size_t>(nx) == 0) map += '/';
  }
  return map;
}

class Blank : public ::testing::Test {
 protected:
  void SetUp() override { plaxen::zmask = {0.0f, 0.0f, 2.0f, 2.0f, 1.0f, 1.0f}; }
};

const std::vector<float> square_x{0.5f, 2.5f, 2.5f, 0.5f};
const std::vector<float> square_y{0.5f, 0.5f, 2.5f, 2.5f};

TEST_F(Blank, ThreeByThreeInEveryMode) {
  const struct {
    std::int32_t inout;
    const char* expected;
  } cases[] = {{1, ".../.XX/.XX/"}, {0, "XXX/X../X../"}, {2, "XXX/X../X../"}, {-1, "XXX/X../X../"}};
  for (const auto& c : cases) {
    SCOPED_TRACE("inout " + std::to_string(c.inout));
    std::vector<float> z(9, 5.0f);
    plaxen::blank(z, 3, 3, square_x, square_y, 4, c.inout);
    EXPECT_EQ(grid_map(z, 3), c.expected);
  }
}

TEST_F(Blank, PolygonWithoutVertices) {
  std::vector<float> z{5.0f, -1.0e35f, big, 0.0f};
  plaxen::blank(z, 2, 2, {}, {}, 0, 1);
  EXPECT_EQ(grid_map(z, 2), "XX/XX/");
  z = {5.0f, -1.0e35f, big, -0.0f};
  plaxen::blank(z, 2, 2, {}, {}, 0, 0);
  EXPECT_EQ(grid_map(z, 2), "../X./") << "nodes at 1.0e35 stay, the rest become +0.0";
}

TEST_F(Blank, ExcludedNodesAreNeverTouched) {
  for (const std::int32_t inout : {0, 1}) {
    SCOPED_TRACE("inout " + std::to_string(inout));
    std::vector<float> z(9, big);
    z[4] = 5.0f;
    plaxen::blank(z, 3, 3, square_x, square_y, 4, inout);
    EXPECT_EQ(grid_map(z, 3), inout == 1 ? "XXX/XXX/XXX/" : "XXX/X.X/XXX/");
  }
}

// Inside A excluded, then outside B: the union, since the second pass skips A's nodes.
TEST_F(Blank, TwoPolygonsCombineAsAUnion) {
  const std::vector<float> bx{1.5f, 4.5f, 4.5f, 1.5f};
  const std::vector<float> by{1.5f, 1.5f, 4.5f, 4.5f};
  std::vector<float> z(36, 5.0f);
  plaxen::blank(z, 6, 6, square_x, square_y, 4, 1);
  plaxen::blank(z, 6, 6, bx, by, 4, 0);
  EXPECT_EQ(grid_map(z, 6), "XXXXXX/XXXXXX/XXX..X/XX...X/XX...X/XXXXXX/");
}

// A rectangle through nodes: top and right edges inside except the top-left and
// bottom-right corners; bottom and left edges outside. Offset origin and spacing.
TEST_F(Blank, RectangleThroughNodes) {
  plaxen::zmask = {10.0f, -4.0f, 12.0f, -2.0f, 0.5f, 0.5f};
  const std::vector<float> rx{10.5f, 11.5f, 11.5f, 10.5f};
  const std::vector<float> ry{-3.5f, -3.5f, -2.5f, -2.5f};
  std::vector<float> z(25, 5.0f);
  plaxen::blank(z, 5, 5, rx, ry, 4, 1);
  EXPECT_EQ(grid_map(z, 5), "...../...../..XX./..XX./...../");
}

// Sizes that do not match the array: nothing beyond it is touched, nothing crashes.
TEST_F(Blank, GridLargerThanTheArray) {
  std::vector<float> z(4, 5.0f);
  plaxen::blank(z, 3, 3, {}, {}, 0, 1);
  EXPECT_EQ(grid_map(z, 2), "XX/XX/");
  std::vector<float> untouched(4, 5.0f);
  plaxen::blank(untouched, 0, 4, {}, {}, 0, 1);
  plaxen::blank(untouched, 4, -1, {}, {}, 0, 1);
  EXPECT_EQ(grid_map(untouched, 2), "**/**/");
  plaxen::blank(untouched, 1'000'000, 1'000'000, {}, {}, 0, 1);
  EXPECT_EQ(grid_map(untouched, 2), "XX/XX/");
}

}  // namespace
