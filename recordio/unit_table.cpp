// The table of units 0 to 99 and the raw descriptor I/O beneath every statement.
#include "recordio/unit_table.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "recordio/recordio.h"

namespace recordio::detail {

static_assert(unit_table_size == unit_count);
unit units[unit_table_size];

namespace {

// Blocks the signals that can arrive from outside (interrupt, quit, termination, abort)
// while a unit's buffer and descriptor change, so that a handler never sees a half-done
// hand-over. sigprocmask is async-signal-safe, so this also serves inside the handlers.
class outside_signals_blocked {
 public:
  outside_signals_blocked() noexcept {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGQUIT, SIGTERM, SIGABRT}) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~outside_signals_blocked() { restore(); }
  outside_signals_blocked(const outside_signals_blocked&) = delete;
  outside_signals_blocked& operator=(const outside_signals_blocked&) = delete;
  void restore() noexcept { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

 private:
  sigset_t saved_;
};

// Writes all of buf[head, tail) to the unit's descriptor, advancing head as bytes are
// taken. Returns 0 or the system error number.
int drain(unit& u) noexcept {
  while (u.head < u.tail) {
    ssize_t n = ::write(u.fd, u.buf + u.head, u.tail - u.head);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    u.head += static_cast<std::size_t>(n);
  }
  u.head = u.tail = 0;
  return 0;
}

// A failure of `kind` with the system error `error`, none when `error` is 0.
unit_failure failure(error_kind kind, int error) noexcept {
  return error == 0 ? unit_failure{} : unit_failure{kind, error};
}

// Hands the unit's pending output to the kernel; a failure is returned as write_failed, or
// dropped on a best-effort unit.
unit_failure flush(unit& u) noexcept {
  if (!u.last_write || u.head == u.tail) return {};
  outside_signals_blocked blocked;
  int error = drain(u);
  if (error == 0) return {};
  u.head = u.tail = 0;  // what the kernel refused is not offered again
  if (u.best_effort) return {};
  return failure(error_kind::write_failed, error);
}

// Hands one record and its newline to the kernel in one call (records longer than the
// buffer). Returns 0 or the system error number.
int write_record_directly(int fd, const char* data, std::size_t size) noexcept {
  static const char newline = '\n';
  iovec iov[2] = {{const_cast<char*>(data), size}, {const_cast<char*>(&newline), 1}};
  int first = 0;
  while (first < 2) {
    ssize_t n = ::writev(fd, iov + first, 2 - first);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    auto taken = static_cast<std::size_t>(n);
    while (first < 2 && taken >= iov[first].iov_len) taken -= iov[first++].iov_len;
    if (first < 2) {
      iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + taken;
      iov[first].iov_len -= taken;
    }
  }
  return 0;
}

// Notes a carriage return that no newline follows in the chunk just read, buf[0, tail);
// one at the chunk's end is judged by the first byte of the next chunk, or by the end of
// the file. Stops looking once one is found.
void note_carriage_returns(unit& u) noexcept {
  const char* at = u.buf;
  const char* const end = u.buf + u.tail;
  if (u.cr_last && (at == end || *at != '\n')) u.lone_cr = true;
  u.cr_last = false;
  while (!u.lone_cr) {
    at = static_cast<const char*>(std::memchr(at, '\r', static_cast<std::size_t>(end - at)));
    if (at == nullptr) return;
    if (at + 1 == end) {
      u.cr_last = true;
      return;
    }
    if (at[1] != '\n') u.lone_cr = true;
    at += 2;
  }
}

}  // namespace

unit_failure connect_unit(int number, int fd, std::string name, bool named) {
  unit* u = find_unit(number);
  if (u == nullptr) return {};
  if (u->fd >= 0) {
    if (const unit_failure f = close_unit(number, close_mode::report)) return f;
  }
  if (u->buf == nullptr) u->buf = new char[unit_buffer_size];
  struct stat st {};
  bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  u->name = std::move(name);
  u->named = named;
  u->regular = regular;
  u->interactive = isatty(fd) == 1;
  u->eof = false;
  u->last_write = false;
  u->best_effort = number == error_unit;
  u->cr_last = u->lone_cr = false;
  u->read_error = 0;
  u->head = u->tail = 0;
  u->fd = fd;
  return {};
}

void store_unit_name(int number, std::string name) {
  if (unit* u = find_unit(number)) u->name = std::move(name);
}

unit_failure begin_reading(unit& u) noexcept {
  if (!u.last_write) return {};
  const unit_failure f = flush(u);
  u.last_write = false;
  u.head = u.tail = 0;
  return f;
}

void begin_writing(unit& u) noexcept {
  if (u.last_write) return;
  // Input read ahead but not used goes back to the file, so writing continues where
  // reading stopped.
  if (u.regular && u.tail > u.head) lseek(u.fd, -static_cast<off_t>(u.tail - u.head), SEEK_CUR);
  u.head = u.tail = 0;
  u.last_write = true;
}

unit_failure refill(unit& u) noexcept {
  if (u.head < u.tail || u.eof) return {};
  if (!u.regular) {
    if (const unit_failure f = flush_all_units()) return f;
  }
  ssize_t n;
  do {
    n = ::read(u.fd, u.buf, unit_buffer_size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return failure(error_kind::read_failed, errno);
  u.head = 0;
  u.tail = static_cast<std::size_t>(n);
  if (n == 0) u.eof = true;
  note_carriage_returns(u);
  return {};
}

unit_failure put_record(unit& u, const char* data, std::size_t size) noexcept {
  if (size + 1 > unit_buffer_size - u.tail) {
    if (const unit_failure f = flush(u)) return f;
  }
  if (size + 1 <= unit_buffer_size - u.tail) {
    std::memcpy(u.buf + u.tail, data, size);
    u.buf[u.tail + size] = '\n';
    // A signal handler flushes buf[head, tail): the record must be in place before tail
    // takes it in.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    u.tail += size + 1;
  } else {
    int error = write_record_directly(u.fd, data, size);
    if (error != 0 && !u.best_effort) return failure(error_kind::write_failed, error);
  }
  if (u.interactive || &u == &units[error_unit]) return flush(u);
  return {};
}

unit_failure flush_all_units() noexcept {
  for (unit& u : units) {
    if (const unit_failure f = flush(u)) return f;
  }
  return {};
}

unit_failure close_unit(int number, close_mode mode) noexcept {
  unit* u = find_unit(number);
  if (u == nullptr || u->fd < 0) return {};
  outside_signals_blocked blocked;
  const bool report = mode == close_mode::report && !u->best_effort;
  // Step 1: pending output.
  if (u->last_write && u->head < u->tail) {
    int error = drain(*u);
    u->head = u->tail = 0;
    if (error != 0 && report) return failure(error_kind::write_failed, error);
  }
  if (!u->named) return {};  // standard streams stay open for the rest of the process
  // Step 2: a file last written keeps only what this run wrote.
  if (u->last_write && u->regular) {
    off_t position = lseek(u->fd, 0, SEEK_CUR);
    if (position >= 0 && ftruncate(u->fd, position) != 0 && report) {
      int error = errno;
      u->last_write = false;  // not attempted again by the report's own closing
      return failure(error_kind::truncate_failed, error);
    }
  }
  // Step 3: the descriptor. On Linux it is released even when close reports a failure.
  int fd = u->fd;
  u->fd = -1;
  if (::close(fd) != 0 && errno != EINTR && report) return failure(error_kind::close_failed, errno);
  return {};
}

void close_all_units(close_mode mode) noexcept {
  for (int number = 0; number < unit_count; ++number) close_unit(number, mode);
}

}  // namespace recordio::detail
