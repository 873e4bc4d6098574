// The floor of data loading: three numbers a line parsed from the whole file with fast_float,
// with none of the list-directed rules. plaxen's loading is measured against this.
#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const int fd = open(argv[1], O_RDONLY);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0) return 1;
  std::vector<char> text(static_cast<std::size_t>(st.st_size));
  for (std::size_t got = 0; got < text.size();) {
    const ssize_t r = read(fd, text.data() + got, text.size() - got);
    if (r <= 0) return 1;
    got += static_cast<std::size_t>(r);
  }
  const char* p = text.data();
  const char* end = p + text.size();
  double sum = 0.0;
  long records = 0;
  for (;;) {
    while (p < end && (*p == ' ' || *p == '\n')) ++p;
    if (p == end) break;
    float v[3];
    for (float& item : v) {
      while (p < end && (*p == ' ' || *p == '\n')) ++p;
      const auto r = fast_float::from_chars(p, end, item);
      if (r.ec != std::errc()) return 1;
      p = r.ptr;
    }
    sum += double{v[0]} + double{v[1]} + double{v[2]};
    ++records;
    while (p < end && *p != '\n') ++p;
  }
  std::printf("%ld records, checksum %.6e\n", records, sum);
  return 0;
}
