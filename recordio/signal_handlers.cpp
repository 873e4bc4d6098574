// The signal handlers that end the run with one line on standard error.
//
// What a signal arriving mid-statement leaves behind: every record handed to a unit before
// the signal is written, and files last written are cut after the last such record; the
// record being assembled at that moment is dropped. Hand-overs to the kernel run with the
// outside signals blocked, so no record is written twice or in part by the handler.
#include "recordio/signal_handlers.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "recordio/error_report.h"
#include "recordio/unit_table.h"

namespace recordio::detail {
namespace {

struct handled_signal {
  int number;
  const char* line;  // written on standard error, with a newline
  bool exits;        // exit status 1; otherwise the run ends through abort
};

constexpr handled_signal handled[] = {
    {SIGFPE, "Floating Exception\n", false}, {SIGABRT, "IOT Trap\n", false},
    {SIGTRAP, "Trace trap\n", false},        {SIGQUIT, "Quit signal\n", false},
    {SIGINT, "Interrupt\n", true},           {SIGTERM, "Killed\n", true},
};

// Async-signal-safe throughout: write, the units' closing (write, lseek, ftruncate, close,
// sigprocmask), _exit and abort.
void on_signal(int number) {
  for (const handled_signal& h : handled) {
    if (h.number != number) continue;
    ssize_t ignored = ::write(STDERR_FILENO, h.line, std::strlen(h.line));
    (void)ignored;
    close_all_units(close_mode::quiet);
    if (h.exits) _exit(1);
    abort_quietly();
  }
  abort_quietly();
}

bool ignored_at_start(int number) {
  struct sigaction old {};
  return sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
}

}  // namespace

void install_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = on_signal;
  // One handler at a time: a second signal waits until the first has ended the run.
  sigemptyset(&action.sa_mask);
  for (const handled_signal& h : handled) sigaddset(&action.sa_mask, h.number);
  action.sa_flags = SA_RESTART;
  for (const handled_signal& h : handled) {
    bool keep_ignored = (h.number == SIGINT || h.number == SIGQUIT) && ignored_at_start(h.number);
    if (!keep_ignored) sigaction(h.number, &action, nullptr);
  }
}

}  // namespace recordio::detail
