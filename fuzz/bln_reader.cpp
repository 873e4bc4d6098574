// Fuzz target: the blanking stage reading arbitrary .bln bytes against a small grid.
//
// The first call of the stage in the process prompts for the file name and opens the file
// named by the answer on standard input; that happens once, in the set-up, on an empty
// file. Every input then becomes the blanking file of a further call, which reads its
// polygon blocks and masks the grid. Whatever the bytes, the stage either ends the run
// through the layer (error report, or the refusal of a polygon of more than 2000 vertices)
// or leaves every node at 0.0 or 1.0e35, nodes already at 1.0e35 untouched, and the grid
// unchanged when no polygon was read.
//
// Input: nx and ny (one byte each, 1 to 16), one byte marking every node whose index has
// that remainder modulo 7 as excluded beforehand, then the .bln bytes.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "plaxen/blanking/blanking.h"
#include "plaxen/blanking/polygon_record.h"
#include "plaxen/common/capacities.h"
#include "plaxen/common/grid_geometry.h"
#include "recordio/recordio.h"

namespace {

constexpr int blanking_unit = 10;

std::vector<float> grid;
std::int32_t nx = 0;
std::int32_t ny = 0;

// The first call of the stage: notice, prompt and OPEN of an empty file named on unit 5.
void first_call() {
  char dir_template[] = "/tmp/fuzz-bln-XXXXXX";
  const char* dir = mkdtemp(dir_template);
  if (dir == nullptr) fuzzing::fail("cannot make a scratch directory");
  const std::string path = std::string(dir) + "/empty.bln";
  if (std::FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
  const int answer = fuzzing::memory_file(path + "\n");
  const int out = fuzzing::memory_file({});
  fuzzing::connect(recordio::input_unit, answer);
  fuzzing::connect(recordio::output_unit, out);
  grid.assign(4, 5.0f);
  nx = ny = 2;
  auto body = [] { plaxen::blanking(grid, nx, ny); };
  if (!fuzzing::run_guarded(body)) fuzzing::fail("the first call of the stage failed");
  if (grid != std::vector<float>(4, 5.0f)) fuzzing::fail("an empty file changed the grid");
  ::close(answer);
  std::filesystem::remove_all(dir);
  // Later prompts would be an error: standard output stays on the in-memory file.
  ::close(out);
  fuzzing::connect(recordio::output_unit, fuzzing::memory_file({}));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  plaxen::zmask = {0.0f, 0.0f, 15.0f, 15.0f, 1.0f, 1.0f};
  first_call();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::input_reader in({data, size});
  nx = in.byte() % 16 + 1;
  ny = in.byte() % 16 + 1;
  const int excluded = in.byte() % 8;  // 7: none excluded beforehand
  grid.assign(static_cast<std::size_t>(nx * ny), 5.0f);
  for (std::size_t p = 0; p < grid.size(); ++p)
    if (static_cast<int>(p % 7) == excluded) grid[p] = plaxen::undefined_value;
  const std::vector<float> before = grid;
  const auto rest = in.rest();
  const int file = fuzzing::memory_file(
      std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
  fuzzing::connect(blanking_unit, file, "fuzz.bln");
  ::close(file);
  auto body = [] { plaxen::blanking(grid, nx, ny); };
  const bool normal = fuzzing::run_guarded(body);
  if (plaxen::ins.nv > plaxen::max_vertices) fuzzing::fail("polygon record overfilled");
  if (!normal) return 0;
  bool changed = false;
  for (std::size_t p = 0; p < grid.size(); ++p) {
    if (before[p] == plaxen::undefined_value && grid[p] != plaxen::undefined_value)
      fuzzing::fail("an excluded node was freed");
    if (grid[p] != before[p]) changed = true;
  }
  // A grid that some polygon walked holds only the two values of the stage.
  if (changed)
    for (float v : grid)
      if (v != 0.0f && v != plaxen::undefined_value)
        fuzzing::fail("node neither free nor excluded");
  return 0;
}
