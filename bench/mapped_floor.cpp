// The exact floor of data loading, the figure plaxen's load is held against.
//
// What it does, and nothing more: opens FILE, maps all of it read-only (one mmap, no
// read-ahead advice), and walks the mapping once. For each record it takes three numbers:
// before each it skips blanks, tabs and newlines, parses the number with
// fast_float::from_chars into a double (so the value is the correctly rounded one that atof
// gives) and rounds that double once to float, as a store into a single real does; then it
// skips to the character after the line's newline with memchr. The three floats of every
// record are widened and added into a double checksum, printed at the end with the record
// count, so that no parse can be optimised away. None of the list-directed rules (commas,
// nulls, slashes, repeat counts, d exponents, 40-digit limits, END handling) is applied, and
// text that is not a number ends the run with status 1.
//
// Usage: mapped_floor FILE
#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

// Skips blanks, tabs and newlines.
const char* skip_blanks(const char* p, const char* end) {
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
  return p;
}

}  // namespace

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
  for (;;) {
    float v[3];
    int taken = 0;
    for (; taken < 3; ++taken) {
      p = skip_blanks(p, end);
      if (p == end) break;
      double number = 0.0;
      const auto r = fast_float::from_chars(p, end, number);
      if (r.ec != std::errc()) return 1;
      v[taken] = static_cast<float>(number);
      p = r.ptr;
    }
    if (taken < 3) break;  // the end of the file, between records or inside one
    checksum += double{v[0]} + double{v[1]} + double{v[2]};
    ++records;
    const void* newline = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    p = newline == nullptr ? end : static_cast<const char*>(newline) + 1;
  }
  std::printf("%ld records, checksum %.6e\n", records, checksum);
  return 0;
}
