// The temporary output file, its removal on failure or signal, and the final rename.
#include "plaxen/export/pending_output.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace plaxen::exporting {
namespace {

// The temporary file a signal handler removes; empty when there is none. A fixed array, so
// that the handler reads it without touching the heap.
char pending_path[4096];

extern "C" void remove_and_end(int signal_number) {
  if (pending_path[0] != '\0') unlink(pending_path);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// What each signal did before it was watched; a signal ignored at start (nohup) stays
// ignored, so it neither removes the file nor ends the export.
struct sigaction earlier_actions[std::size(removing_signals)];

void watch_signals() {
  for (std::size_t k = 0; k < std::size(removing_signals); ++k) {
    sigaction(removing_signals[k], nullptr, &earlier_actions[k]);
    if (earlier_actions[k].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = remove_and_end;
    sigemptyset(&action.sa_mask);
    sigaction(removing_signals[k], &action, nullptr);
  }
}

void stop_watching() {
  for (std::size_t k = 0; k < std::size(removing_signals); ++k)
    sigaction(removing_signals[k], &earlier_actions[k], nullptr);
  pending_path[0] = '\0';
}

mode_t creation_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

PendingOutput::PendingOutput(std::string path) : path_(std::move(path)) {
  const std::size_t slash = path_.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  const std::string pattern = directory + "." + base + ".XXXXXX";
  if (pattern.size() >= sizeof pending_path) {
    problem_ = std::strerror(ENAMETOOLONG);
    return;
  }
  // mkstemp names the file in the handler's own array before it creates it, so a signal
  // that comes at any moment finds the name of every file that exists.
  std::memcpy(pending_path, pattern.c_str(), pattern.size() + 1);
  watch_signals();
  const int fd = mkstemp(pending_path);
  if (fd < 0) {
    problem_ = std::strerror(errno);
    stop_watching();
    return;
  }
  ::close(fd);
  temporary_ = pending_path;
}

PendingOutput::~PendingOutput() {
  if (!temporary_.empty() && !committed_) unlink(temporary_.c_str());
  stop_watching();
}

std::string PendingOutput::commit() {
  if (chmod(temporary_.c_str(), creation_mode()) != 0 ||
      std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const std::string error = std::strerror(errno);
    unlink(temporary_.c_str());
    temporary_.clear();
    stop_watching();
    return error;
  }
  committed_ = true;
  stop_watching();
  return {};
}

}  // namespace plaxen::exporting
