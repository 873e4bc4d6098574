// Runs zgrid once on points given on the command line, so that a test can read the lines it
// writes on standard output exactly as the program would.
//
// Usage: out_of_range_probe nx ny xmin ymin dx dy [x y z]...
// Grids the points with tension 3.0 and one fill pass, with plaxen's line for each point out
// of range; exit status 2 on a malformed argument.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plaxen/engine/out_of_range_report.h"
#include "plaxen/engine/zgrid.h"
#include "recordio/recordio.h"

namespace {

bool parse(const char* text, float& value) {
  const char* end = text + std::strlen(text);
  const auto result = std::from_chars(text, end, value);
  return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || (argc - 7) % 3 != 0) return 2;
  float geometry[6];
  for (int k = 0; k < 6; ++k)
    if (!parse(argv[1 + k], geometry[k])) return 2;
  const auto nx = static_cast<std::int32_t>(geometry[0]);
  const auto ny = static_cast<std::int32_t>(geometry[1]);
  if (nx < 1 || ny < 1 || nx > 100 || ny > 100) return 2;
  std::vector<float> xp, yp, zp;
  for (int k = 7; k < argc; k += 3) {
    float x, y, z;
    if (!parse(argv[k], x) || !parse(argv[k + 1], y) || !parse(argv[k + 2], z)) return 2;
    xp.push_back(x);
    yp.push_back(y);
    zp.push_back(z);
  }
  recordio::start_up();
  std::vector<float> grid(static_cast<std::size_t>(nx * ny), 0.0f);
  plaxen::zgrid(grid, nx, 50000 / nx, nx, ny, geometry[2], geometry[3], geometry[4], geometry[5],
                xp, yp, zp, static_cast<std::int32_t>(zp.size()), 3.0f, 1,
                [](std::int64_t k, float x, float y, float z) {
                  plaxen::report_out_of_range(static_cast<std::int32_t>(k), x, y, z);
                });
  recordio::stop();
}
