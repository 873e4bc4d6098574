// Geographic transform: the origin, one degree along each axis, signs, repeated calls.
#include "plaxen/transform/transform.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

// The equirectangular plane coordinates in double precision, as a reference.
constexpr double pi = 3.14159265358979323846;
double reference_x(double lon, double lat) {
  return 6367.5 * pi / 180.0 * std::cos(lat * pi / 180.0) * (lon + 70.75);
}
double reference_y(double lat) {
  return 6367.5 * pi / 180.0 * (lat - 41.5);
}

std::uint32_t bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

// One place a row: its plane coordinates within `tolerance` of the equirectangular
// reference, on the side of the origin the place lies (the rotation keeps each quadrant: atan2
// takes both signs), the origin itself +0 exactly, and a second call the same bit for bit.
TEST(Transform, PlacesAroundTheOrigin) {
  struct Row {
    const char* what;
    float lon, lat;
    double tolerance;
    bool y_exact = false;  // y is 0 exactly
  };
  const Row rows[] = {
      {"the origin", -70.75f, 41.5f, 0.0, true},  {"one degree east", -69.75f, 41.5f, 1e-4, true},
      {"one degree north", -70.75f, 42.5f, 1e-4}, {"north-east", -69.0f, 43.0f, 1e-3},
      {"north-west", -72.5f, 43.0f, 1e-3},        {"south-west", -72.5f, 40.0f, 1e-3},
      {"south-east", -69.0f, 40.0f, 1e-3},        {"due west", -71.0f, 41.5f, 1e-3},
      {"due south", -70.75f, 40.5f, 1e-3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    float x = 1.0f, y = 1.0f, again_x = 0.0f, again_y = 0.0f;
    plaxen::transform(r.lon, r.lat, x, y);
    plaxen::transform(r.lon, r.lat, again_x, again_y);
    EXPECT_NEAR(x, reference_x(r.lon, r.lat), r.tolerance);
    EXPECT_NEAR(y, reference_y(r.lat), r.tolerance);
    if (r.lon != -70.75f) {
      EXPECT_EQ(x > 0.0f, r.lon > -70.75f);
    }
    if (r.lat != 41.5f) {
      EXPECT_EQ(y > 0.0f, r.lat > 41.5f);
    }
    if (r.y_exact) {
      EXPECT_EQ(y, 0.0f);
    }
    if (r.tolerance == 0.0) {
      EXPECT_EQ(bits(x) | bits(y), 0u);
    }
    EXPECT_EQ(bits(again_x), bits(x));
    EXPECT_EQ(bits(again_y), bits(y));
  }
}

}  // namespace
