// Geographic transform: the origin, one degree along each axis, signs, repeated calls.
#include "plaxen/transform/transform.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// The equirectangular plane coordinates in double precision, as a reference.
constexpr double pi = 3.14159265358979323846;
double reference_x(double lon, double lat) {
  return 6367.5 * pi / 180.0 * std::cos(lat * pi / 180.0) * (lon + 70.75);
}
double reference_y(double lat) {
  return 6367.5 * pi / 180.0 * (lat - 41.5);
}

TEST(Transform, OriginMapsToZero) {
  float x = 1.0f, y = 1.0f;
  plaxen::transform(-70.75f, 41.5f, x, y);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(x), 0u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(y), 0u);
}

TEST(Transform, OneDegreeEast) {
  float x = 0.0f, y = 1.0f;
  plaxen::transform(-69.75f, 41.5f, x, y);
  EXPECT_EQ(y, 0.0f);
  EXPECT_NEAR(x, 83.23, 0.005);
  EXPECT_NEAR(x, 6367.5f * 0.017453292f * std::cos(41.5 * pi / 180.0), 1e-4);
}

TEST(Transform, OneDegreeNorth) {
  float x = 1.0f, y = 0.0f;
  plaxen::transform(-70.75f, 42.5f, x, y);
  EXPECT_NEAR(y, 111.13, 0.005);
  EXPECT_NEAR(x, 0.0, 0.00001);
}

// The rotation stage keeps each quadrant: atan2 takes the signs of both coordinates.
TEST(Transform, SignsFollowTheQuadrant) {
  const struct {
    float lon, lat;
  } cases[] = {{-69.0f, 43.0f}, {-72.5f, 43.0f}, {-72.5f, 40.0f},
               {-69.0f, 40.0f}, {-71.0f, 41.5f}, {-70.75f, 40.5f}};
  for (const auto& c : cases) {
    SCOPED_TRACE("lon " + std::to_string(c.lon) + " lat " + std::to_string(c.lat));
    float x = 0.0f, y = 0.0f;
    plaxen::transform(c.lon, c.lat, x, y);
    EXPECT_NEAR(x, reference_x(c.lon, c.lat), 1e-3);
    EXPECT_NEAR(y, reference_y(c.lat), 1e-3);
    if (c.lon < -70.75f) {
      EXPECT_LT(x, 0.0f);
    } else if (c.lon > -70.75f) {
      EXPECT_GT(x, 0.0f);
    }
    if (c.lat < 41.5f) {
      EXPECT_LT(y, 0.0f);
    } else if (c.lat > 41.5f) {
      EXPECT_GT(y, 0.0f);
    }
  }
}

TEST(Transform, RepeatedCallsAgreeBitForBit) {
  float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
  plaxen::transform(-68.125f, 44.75f, x1, y1);
  plaxen::transform(-68.125f, 44.75f, x2, y2);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(x1), std::bit_cast<std::uint32_t>(x2));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(y1), std::bit_cast<std::uint32_t>(y2));
}

}  // namespace
