// Fuzz target: the companions' grid-file reader on arbitrary bytes for a grid size.
//
// Whatever the bytes, read_grid_file either names a problem in one of its forms or accepts
// the file, and it accepts only a file whose lines that hold values are exactly the lines
// of ny rows of nx values (rows of more than 3000 continued on further lines).
//
// Input: nx (two bytes, 1 to 3100, so that rows continue), ny (one byte, 1 to 8), then the
// file's bytes.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"
#include "plaxen/common/grid_file_reader.h"

namespace {

// Lines that hold anything but blanks, tabs and carriage returns.
std::int64_t lines_with_values(std::string_view text) {
  std::int64_t count = 0;
  bool content = false;
  for (const char c : text) {
    if (c == '\n') {
      count += content;
      content = false;
    } else if (c != ' ' && c != '\t' && c != '\r') {
      content = true;
    }
  }
  return count + content;
}

bool named_problem(const std::string& problem) {
  for (std::string_view form : {"line ", "ends after line ", "is empty where"})
    if (problem.starts_with(form)) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::input_reader in({data, size});
  const std::int32_t nx = std::int32_t((in.byte() | in.byte() << 8) % 3100) + 1;
  const std::int32_t ny = in.byte() % 8 + 1;
  const auto rest = in.rest();
  const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
  const int fd = fuzzing::memory_file(text);
  std::vector<float> z(std::size_t(nx) * std::size_t(ny));
  const std::string problem =
      plaxen::read_grid_file("/proc/self/fd/" + std::to_string(fd), nx, ny, z);
  ::close(fd);
  const std::int64_t lines = std::int64_t{ny} * ((nx + 2999) / 3000);
  if (problem.empty() && lines_with_values(text) != lines)
    fuzzing::fail("a file of the wrong shape was accepted");
  if (!problem.empty() && !named_problem(problem)) fuzzing::fail("unexpected problem", problem);
  return 0;
}
