// Removal of the temporary MAT-file by the handlers of the signals that end a run.
#include "recmat/signal_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace recmat::mat {
namespace {

constexpr int cleanup_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The name the handlers remove, prepared before the file exists, and whether it is set.
char registered_name[PATH_MAX];
volatile sig_atomic_t registered = 0;

// Async-signal-safe: unlink, sigaction, sigprocmask and raise only.
void remove_and_end(int number) {
  if (registered != 0) ::unlink(registered_name);
  // The same signal again with its default action, so the run ends as if it was not caught.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(number, &default_action, nullptr);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(number);
}

void install_handlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = remove_and_end;
  sigemptyset(&action.sa_mask);  // one handler at a time
  for (int s : cleanup_signals) sigaddset(&action.sa_mask, s);
  for (int s : cleanup_signals) {
    struct sigaction old {};
    if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // nohup
    sigaction(s, &action, nullptr);
  }
}

// Holds the cleanup signals off for its lifetime; keeps errno as it found it on the way out.
class cleanup_signals_held {
 public:
  cleanup_signals_held() noexcept {
    sigset_t set;
    sigemptyset(&set);
    for (int s : cleanup_signals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~cleanup_signals_held() {
    const int error = errno;
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
    errno = error;
  }
  cleanup_signals_held(const cleanup_signals_held&) = delete;
  cleanup_signals_held& operator=(const cleanup_signals_held&) = delete;

 private:
  sigset_t saved_;
};

}  // namespace

int create_temporary_file(std::string& pattern) {
  if (pattern.size() >= sizeof registered_name) {
    errno = ENAMETOOLONG;
    return -1;
  }
  install_handlers();
  cleanup_signals_held held;
  std::memcpy(registered_name, pattern.c_str(), pattern.size() + 1);
  const int fd = ::mkstemp(registered_name);
  if (fd < 0) return -1;
  registered = 1;
  pattern.replace(0, pattern.size(), registered_name);  // same length: no allocation
  return fd;
}

void forget_temporary_file() noexcept {
  registered = 0;
}

}  // namespace recmat::mat
