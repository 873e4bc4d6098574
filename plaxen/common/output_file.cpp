// Output files: their kind, the temporary file beside a replaced one, its removal on
// failure or signal, and the final rename.
#include "plaxen/common/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace plaxen {
namespace {

// Outputs pending at once: a grid and counts, each with its .prj, residuals, and the probe
// that tries another format for a reference system.
constexpr int slot_count = 6;
// The temporary name: short and of fixed length, so that any name the folder takes for the
// output itself leaves room for it.
constexpr char temporary_name[] = ".plaxen-XXXXXX";

// The temporary files a signal handler removes; an empty one is free. Fixed arrays, so that
// the handler reads them without touching the heap.
char pending[slot_count][PATH_MAX];
int slots_in_use = 0;
struct sigaction earlier_actions[std::size(removing_signals)];

extern "C" void remove_pending_and_end(int signal_number) {
  for (auto& path : pending)
    if (path[0] != '\0') unlink(path);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void watch_signals() {
  for (std::size_t k = 0; k < std::size(removing_signals); ++k) {
    sigaction(removing_signals[k], nullptr, &earlier_actions[k]);
    if (earlier_actions[k].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = remove_pending_and_end;
    sigemptyset(&action.sa_mask);
    for (const int s : removing_signals) sigaddset(&action.sa_mask, s);
    sigaction(removing_signals[k], &action, nullptr);
  }
}

void stop_watching() {
  for (std::size_t k = 0; k < std::size(removing_signals); ++k)
    sigaction(removing_signals[k], &earlier_actions[k], nullptr);
}

// Runs `step` with the removing signals blocked, so that a handler never sees a slot
// half-changed or a file renamed but still listed.
template <class Step>
auto with_signals_blocked(Step step) {
  sigset_t blocked, saved;
  sigemptyset(&blocked);
  for (const int s : removing_signals) sigaddset(&blocked, s);
  pthread_sigmask(SIG_BLOCK, &blocked, &saved);
  auto result = step();
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return result;
}

void release_slot(int slot) {
  with_signals_blocked([&] {
    pending[slot][0] = '\0';
    if (--slots_in_use == 0) stop_watching();
    return 0;
  });
}

mode_t creation_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a dangling link chain ends at, or `path` when it is no link; empty with
// `problem` set when the chain cannot be followed.
std::string end_of_links(std::string path, std::string& problem) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char link[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    if (n < 0) {
      problem = std::strerror(errno);
      return {};
    }
    const std::string text(link, static_cast<std::size_t>(n));
    path = text.starts_with('/') ? text : folder_of(path) + text;
  }
  problem = std::strerror(ELOOP);
  return {};
}

// The descriptor of this process that `path` names through /dev/stdout, /dev/stderr,
// /dev/fd/N or /proc/self/fd/N (also at the end of a chain of links); none otherwise.
std::optional<int> own_descriptor(std::string path) {
  const std::string own_fds = "/proc/" + std::to_string(getpid()) + "/fd/";
  for (int hops = 0; hops < 40; ++hops) {
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const std::string& folder :
         {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own_fds})
      if (path.starts_with(folder) && path.size() > folder.size() &&
          path.size() - folder.size() < 8 &&
          path.find_first_not_of("0123456789", folder.size()) == std::string::npos)
        return std::stoi(path.substr(folder.size()));
    char link[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    if (n < 0) return std::nullopt;
    const std::string text(link, static_cast<std::size_t>(n));
    path = text.starts_with('/') ? text : folder_of(path) + text;
  }
  return std::nullopt;
}

// Copies the whole file `from` into descriptor `to` at its own position; 0 or the errno.
int copy_into(const std::string& from, int to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  char piece[1 << 16];
  int error = 0;
  for (ssize_t n; error == 0 && (n = ::read(in, piece, sizeof piece)) != 0;) {
    if (n < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    for (ssize_t done = 0; error == 0 && done < n;) {
      const ssize_t w = ::write(to, piece + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno != EINTR) error = errno;
      if (w == 0) error = EIO;  // no progress and no reason: not to be retried forever
      if (w > 0) done += w;
    }
  }
  ::close(in);
  return error;
}

// "a FIFO", "a character device", ... for the refusal of a format that needs a regular file.
const char* kind_of(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO or pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

std::optional<FileIdentity> identity_of(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

std::vector<InputFile> existing_inputs(
    std::initializer_list<std::pair<std::string_view, std::string_view>> roles_and_paths) {
  std::vector<InputFile> inputs;
  for (const auto& [role, path] : roles_and_paths)
    if (const auto identity = identity_of(std::string(path)))
      inputs.push_back({*identity, std::string(role)});
  return inputs;
}

void ignore_file_size_signal() {
  ::signal(SIGXFSZ, SIG_IGN);
}

OutputFile::OutputFile(const std::string& path, std::span<const InputFile> inputs,
                       std::string_view seeking_format) {
  prepare(path, inputs, seeking_format);
}

void OutputFile::prepare(const std::string& path, std::span<const InputFile> inputs,
                         std::string_view seeking_format) {
  if (path.empty()) return refuse("an empty file name");
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return refuse(std::strerror(errno));
    std::string problem;
    const std::string target = end_of_links(path, problem);
    if (target.empty()) return refuse(problem);
    return prepare_replacement(target, std::nullopt);
  }
  const FileIdentity identity{st.st_dev, st.st_ino};
  for (const InputFile& input : inputs)
    if (input.identity == identity)
      return refuse("is " + input.role + ", an input: refused, it would be overwritten");
  if (S_ISDIR(st.st_mode)) return refuse(std::strerror(EISDIR));
  if (S_ISREG(st.st_mode)) {
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) == nullptr) return refuse(std::strerror(errno));
    // Standard output sent to a file: the output is added where the stream stands, after
    // what the shell wrote, so the temporary file is copied into the descriptor.
    struct stat fd_st {};
    if (const auto fd = own_descriptor(path);
        fd && fstat(*fd, &fd_st) == 0 && FileIdentity{fd_st.st_dev, fd_st.st_ino} == identity)
      into_descriptor_ = *fd;
    return prepare_replacement(real, st.st_mode & 07777);
  }
  if (!seeking_format.empty())
    return refuse(std::string("is ") + kind_of(st.st_mode) + "; " + std::string(seeking_format) +
                  " is written by seeking and needs a regular file");
  target_ = write_path_ = path;
  streams_ = true;
}

void OutputFile::prepare_replacement(const std::string& target, std::optional<mode_t> old_mode) {
  target_ = target;
  mode_ = old_mode ? *old_mode : creation_mode();
  const std::string pattern = folder_of(target) + temporary_name;
  if (pattern.size() >= PATH_MAX) return refuse(std::strerror(ENAMETOOLONG));
  // mkstemp names the file in the handler's own slot before it creates it, so a signal that
  // comes at any moment finds the name of every file that exists.
  const int slot = with_signals_blocked([&] {
    const auto free = std::find_if(std::begin(pending), std::end(pending),
                                   [](const char* p) { return p[0] == '\0'; });
    if (free == std::end(pending)) return -1;
    std::memcpy(*free, pattern.c_str(), pattern.size() + 1);
    if (slots_in_use++ == 0) watch_signals();
    return static_cast<int>(free - std::begin(pending));
  });
  if (slot < 0) return refuse("too many outputs at once");
  const int fd = mkstemp(pending[slot]);
  if (fd < 0) {
    const int error = errno;
    release_slot(slot);
    return refuse(std::strerror(error));
  }
  ::close(fd);
  slot_ = slot;
  write_path_ = pending[slot];
}

OutputFile::~OutputFile() {
  if (slot_ < 0) return;
  unlink(write_path_.c_str());
  release_slot(slot_);
}

std::string OutputFile::commit() {
  if (slot_ < 0) return {};
  if (into_descriptor_ >= 0) {
    const int error = copy_into(write_path_, into_descriptor_);
    unlink(write_path_.c_str());
    release_slot(slot_);
    slot_ = -1;
    return error == 0 ? "" : std::strerror(error);
  }
  const int error = with_signals_blocked([&] {
    if (chmod(write_path_.c_str(), mode_) != 0 ||
        std::rename(write_path_.c_str(), target_.c_str()) != 0)
      return errno;
    pending[slot_][0] = '\0';  // renamed: no longer the handler's to remove
    return 0;
  });
  if (error != 0) unlink(write_path_.c_str());
  release_slot(slot_);
  slot_ = -1;
  return error == 0 ? "" : std::strerror(error);
}

}  // namespace plaxen
