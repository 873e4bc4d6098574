// Generator of realistic scattered data for the benchmarks: one "x y value" record a line.
//
// Usage: make_points COUNT SEED > file. Coordinates look like survey eastings and northings
// (521438.138 4631832.726), values like -123.4567: a smooth surface plus noise.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

double surface(double x, double y) {
  const double u = (x - 522000.0) / 600.0;
  const double v = (y - 4631800.0) / 500.0;
  return 150.0 * std::exp(-(u * u + v * v)) -
         80.0 * std::exp(-((u - 1.2) * (u - 1.2) + v * v * 2.0)) + 0.02 * (x - 521000.0) - 60.0;
}

char* put_fixed(char* p, char* end, double value, int decimals) {
  return std::to_chars(p, end, value, std::chars_format::fixed, decimals).ptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s COUNT SEED\n", argv[0]);
    return 2;
  }
  const long count = std::atol(argv[1]);
  std::mt19937_64 random(std::strtoull(argv[2], nullptr, 10));
  std::uniform_real_distribution<double> east(521000.0, 523000.0);
  std::uniform_real_distribution<double> north(4631000.0, 4632600.0);
  std::normal_distribution<double> noise(0.0, 0.5);
  std::string out;
  out.reserve(1 << 20);
  char line[96];
  for (long k = 0; k < count; ++k) {
    const double x = east(random);
    const double y = north(random);
    char* p = put_fixed(line, line + sizeof line, x, 3);
    *p++ = ' ';
    p = put_fixed(p, line + sizeof line, y, 3);
    *p++ = ' ';
    p = put_fixed(p, line + sizeof line, surface(x, y) + noise(random), 4);
    *p++ = '\n';
    out.append(line, p);
    if (out.size() > (1u << 20) - sizeof line) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
