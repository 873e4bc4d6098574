// What every fuzz target shares: the way back from the layer's ends of run, in-memory
// files and chunked input.
#include "fuzz/harness.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "recordio/end_hook.h"
#include "recordio/unit_table.h"

namespace fuzzing {
namespace {

std::jmp_buf back;
bool armed = false;

// The layer's end hook: back to run_guarded instead of abort() or exit().
void jump_back() {
  if (armed) std::longjmp(back, 1);
}

// Writes all of `bytes` to `fd`; false when the reader went away.
bool write_all(int fd, const char* bytes, std::size_t size, bool packet) {
  while (size > 0) {
    ssize_t n = packet ? ::send(fd, bytes, size, MSG_NOSIGNAL) : ::write(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool run_guarded(void (*body)(void*), void* context) {
  // Once per process: the hook, and unit 0 on standard error as at start-up (the signal
  // handlers of start-up stay libFuzzer's).
  static const bool installed = [] {
    recordio::detail::set_end_hook(jump_back);
    return !recordio::detail::connect_unit(0, STDERR_FILENO, {}, false);
  }();
  (void)installed;
  bool normal = false;
  armed = true;
  if (setjmp(back) == 0) {
    body(context);
    normal = true;
  }
  armed = false;
  recordio::detail::close_all_units(recordio::detail::close_mode::quiet);
  return normal;
}

int memory_file(std::string_view bytes) {
  int fd = memfd_create("fuzz", MFD_CLOEXEC);
  if (fd < 0 || !write_all(fd, bytes.data(), bytes.size(), false) || lseek(fd, 0, SEEK_SET) != 0)
    fail("cannot make an in-memory file");
  return fd;
}

std::string file_contents(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) fail("cannot stat an in-memory file");
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  if (pread(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
    fail("cannot read an in-memory file");
  return text;
}

chunked_source start_chunked_source(std::string bytes, std::vector<std::size_t> pieces) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
    fail("cannot make a packet socket");
  if (pieces.empty()) pieces.push_back(1);
  auto* writer = new std::thread([fd = ends[1], bytes = std::move(bytes), pieces] {
    // One packet per piece: each read of the other end returns exactly one of them.
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
      std::size_t size = std::max<std::size_t>(1, pieces[i % pieces.size()]);
      size = std::min(size, bytes.size() - at);
      if (!write_all(fd, bytes.data() + at, size, true)) break;
      at += size;
    }
    ::close(fd);  // the reader then meets the end of the file
  });
  return {ends[0], writer};
}

void join_chunked_source(chunked_source& source) {
  // Closing the reading end first lets a writer blocked on a full queue give up.
  ::close(source.fd);
  auto* writer = static_cast<std::thread*>(source.writer);
  writer->join();
  delete writer;
  source = {};
}

void connect(int unit, int fd, std::string_view name) {
  // A named unit is closed by the layer at the end of the run: give it its own descriptor.
  // Connecting closes what the unit held before, and flushing into an in-memory file or
  // standard error does not fail.
  const recordio::detail::unit_failure failure =
      name.empty() ? recordio::detail::connect_unit(unit, fd, {}, false)
                   : recordio::detail::connect_unit(unit, ::dup(fd), std::string(name), true);
  if (failure) fail("cannot connect a unit");
}

std::uint32_t input_reader::u32() {
  std::uint32_t value = 0;
  auto bytes = take(4);
  for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

std::span<const std::uint8_t> input_reader::take(std::size_t n) {
  n = std::min(n, data_.size());
  auto front = data_.first(n);
  data_ = data_.subspan(n);
  return front;
}

void fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "fuzz expectation broken: %s\n%.*s\n", what,
               static_cast<int>(std::min<std::size_t>(detail.size(), 4000)), detail.data());
  std::abort();
}

}  // namespace fuzzing
