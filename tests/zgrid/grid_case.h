// A small grid with unit spacing from the origin, its points, and a call of zgrid on them.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "plaxen/engine/zgrid.h"

namespace zgrid_test {

// The bit pattern of a single real, so that reals are compared bit for bit.
inline std::uint32_t bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}

// Node (i, j) lies at x = i - 1, y = j - 1; a point placed with put(i, j, v) lands on it.
struct grid_case {
  std::int32_t nx;
  std::int32_t ny;
  std::vector<float> z;
  std::vector<float> xp, yp, zp;

  grid_case(std::int32_t nx_, std::int32_t ny_)
      : nx(nx_), ny(ny_), z(static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_), 0.0f) {}

  float& at(std::int32_t i, std::int32_t j) {
    return z[static_cast<std::size_t>(i - 1) +
             static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(nx)];
  }
  void put(float x, float y, float value) {
    xp.push_back(x);
    yp.push_back(y);
    zp.push_back(value);
  }
  void put_on(std::int32_t i, std::int32_t j, float value) {
    put(float(i - 1), float(j - 1), value);
  }

  void run(float tension = 3.0f, std::int32_t nfill = 1) {
    plaxen::zgrid(z, nx, 50000 / nx, nx, ny, 0.0f, 0.0f, 1.0f, 1.0f, xp, yp, zp,
                  static_cast<std::int32_t>(zp.size()), tension, nfill);
  }
};

}  // namespace zgrid_test
