// OPEN: connects a unit to a named file with status "old" or "unknown".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "recordio/error_report.h"
#include "recordio/recordio.h"
#include "recordio/statement.h"

namespace recordio {
namespace detail {
namespace {

// The file name: the given text with its trailing blanks removed (leading blanks stay).
std::string_view trimmed_name(std::string_view name) {
  std::size_t end = name.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : name.substr(0, end + 1);
}

// Opens `path` with the first of `attempts` that succeeds. Returns the descriptor, or -1
// with errno from the last attempt.
int open_first(const char* path, std::initializer_list<int> attempts) {
  int fd = -1;
  for (int flags : attempts) {
    do {
      fd = ::open(path, flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) return fd;
  }
  return fd;
}

// Whether `path` names an existing file that is not a regular file: a pipe, a FIFO, a
// device or a directory. Such a file is opened in one direction only. Held for reading and
// writing, a pipe or FIFO being read never shows its end (the process is a writer of it
// itself), and a FIFO written before anyone reads it takes the output into its buffer and
// loses it when the unit is closed.
bool existing_special_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Opens a file that is not a regular file: "old" for reading only; "unknown" for writing
// only (a FIFO waits for its reader, as the shell's > does), or for reading only when it
// cannot be written at all (a directory).
int open_special_file(const std::string& path, char status) {
  if (status == 'o') return open_first(path.c_str(), {O_RDONLY});
  return open_first(path.c_str(), {O_WRONLY, O_RDONLY});
}

// Opens the file for the status letter; never truncates an existing file except through
// the status "replace". Returns -1 with errno on failure.
int open_for_status(const std::string& path, char status) {
  switch (status) {
    case 'o':  // old: the file must exist; written too where it permits
      if (existing_special_file(path)) return open_special_file(path, status);
      return open_first(path.c_str(), {O_RDWR, O_RDONLY});
    case 'n':  // new: the file must not exist yet
      return open_first(path.c_str(), {O_RDWR | O_CREAT | O_EXCL});
    case 'r':  // replace: created or emptied
      return open_first(path.c_str(), {O_RDWR | O_CREAT | O_TRUNC});
    default:  // unknown: reused as it is, else read only, else created empty for writing
      if (existing_special_file(path)) return open_special_file(path, status);
      return open_first(path.c_str(), {O_RDWR, O_RDONLY, O_WRONLY | O_CREAT | O_TRUNC});
  }
}

// The status judged by its first letter, in lower case; 'u' (unknown) when empty.
char status_letter(std::string_view status) {
  if (status.empty()) return 'u';
  char c = status.front();
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace
}  // namespace detail

void open(int unit, std::string_view name, std::string_view status) {
  using namespace detail;
  // Step 1: the unit the report names is the one being opened.
  the_statement.unit_number = unit;
  if (find_unit(unit) == nullptr) raise_error(error_kind::open_illegal_unit);
  // Step 2: the name as stored, so that a failed OPEN names the file it could not open.
  std::string path(trimmed_name(name));
  if (path.empty()) raise_error(error_kind::open_null_name);
  store_unit_name(unit, path);
  if (path.find('\0') != std::string::npos) raise_error(error_kind::open_failed, EINVAL);
  // Step 3: the file itself.
  char letter = status_letter(status);
  if (letter == 's') raise_error(error_kind::open_scratch);
  int fd = open_for_status(path, letter);
  if (fd < 0) raise_error(error_kind::open_failed, errno);
  if (const unit_failure f = connect_unit(unit, fd, std::move(path), true)) raise_failure(f);
}

bool names_connected_file(int unit, std::string_view name) {
  const detail::unit* u = detail::find_unit(unit);
  if (u == nullptr || u->fd < 0) return false;
  const std::string path(detail::trimmed_name(name));
  struct stat named {
  }, connected{};
  return path.find('\0') == std::string::npos && ::stat(path.c_str(), &named) == 0 &&
         ::fstat(u->fd, &connected) == 0 && named.st_dev == connected.st_dev &&
         named.st_ino == connected.st_ino;
}

}  // namespace recordio
