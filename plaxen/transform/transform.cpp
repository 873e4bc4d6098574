// Geographic to local plane transform: equirectangular step, then rotation and shift.
#include "plaxen/transform/transform.h"

#include <cmath>
#include <cstdint>

namespace plaxen {
namespace {

// The fixed origin, sphere and plane axes, set by the first call of the run.
struct TransformConstants {
  float degrad = 0.0f;  // degrees to radians
  float lat0 = 0.0f;    // origin latitude, degrees
  float lon0 = 0.0f;    // origin longitude, degrees
  float radius = 0.0f;  // sphere radius, km
  float angle = 0.0f;   // rotation of the plane axes, degrees
  float rot = 0.0f;     // the same rotation in radians
  float xoff = 0.0f;    // plane origin offsets, km
  float yoff = 0.0f;
};

struct TransformState {
  std::int32_t nn = 0;  // first-call flag
  TransformConstants c;
};

TransformState& state() {
  static TransformState s;
  return s;
}

double d(float v) {
  return static_cast<double>(v);
}

void set_constants(TransformConstants& c) {
  // pi is acos(-1) held as a single real; degrad is that over 180, held as a single real.
  const float pi = static_cast<float>(std::acos(d(-1.0f)));
  c.degrad = static_cast<float>(d(pi) / 180.0);
  c.lat0 = 41.5f;
  c.lon0 = -70.75f;
  c.radius = 6367.5f;
  c.angle = 0.0f;
  c.rot = static_cast<float>(d(c.angle) * d(c.degrad));
  c.xoff = 0.0f;
  c.yoff = 0.0f;
}

}  // namespace

void transform(float lon, float lat, float& x, float& y) {
  TransformState& s = state();
  if (s.nn == 0) {
    set_constants(s.c);
  }
  s.nn = 1;
  const TransformConstants& c = s.c;

  // Plane coordinates: arc lengths, the longitude difference scaled by the latitude's cosine.
  const float coslat = static_cast<float>(std::cos(d(c.degrad) * d(lat)));
  const float xp = static_cast<float>(d(coslat) * d(c.radius) * d(c.degrad) * (d(lon) - d(c.lon0)));
  const float yp = static_cast<float>(d(c.radius) * d(c.degrad) * (d(lat) - d(c.lat0)));

  // Rotation and shift: polar form about the plane origin, squares by the general power
  // function, then back to the rotated and shifted axes.
  const float xsq = static_cast<float>(std::pow(d(xp) - d(c.xoff), 2.0));
  const float ysq = static_cast<float>(std::pow(d(yp) - d(c.yoff), 2.0));
  const float r = static_cast<float>(std::sqrt(d(xsq) + d(ysq)));
  const float phi = static_cast<float>(d(static_cast<float>(std::atan2(d(yp), d(xp)))) - d(c.rot));
  x = static_cast<float>(d(static_cast<float>(std::cos(d(phi)))) * d(r) + d(c.xoff));
  y = static_cast<float>(d(static_cast<float>(std::sin(d(phi)))) * d(r) + d(c.yoff));
}

}  // namespace plaxen
