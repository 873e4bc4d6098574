// The exact floor of data loading, the figure plaxen's load is held against.
//
// What it does, and nothing more: opens FILE, maps all of it read-only (one mmap, no
// read-ahead advice), and walks the mapping once with the floor loop (floor_loop.h). The
// three floats of every record are widened and added into a double checksum, printed at the
// end with the record count, so that no parse can be optimised away; text that is not a
// number ends the run with status 1.
//
// Usage: mapped_floor FILE
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "bench/floor_loop.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const int fd = open(argv[1], O_RDONLY);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) return 1;
  const auto size = static_cast<std::size_t>(st.st_size);
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) return 1;
  const char* p = static_cast<const char*>(map);
  const char* const end = p + size;
  double checksum = 0.0;
  long records = 0;
  const bool numbers = bench::for_each_floor_record(p, end, [&](float x, float y, float z) {
    checksum += double{x} + double{y} + double{z};
    ++records;
  });
  if (!numbers) return 1;
  std::printf("%ld records, checksum %.6e\n", records, checksum);
  return 0;
}
