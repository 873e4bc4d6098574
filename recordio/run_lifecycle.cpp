// Start-up, STOP and the closing of all units at the end of the run.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "recordio/end_hook.h"
#include "recordio/error_report.h"
#include "recordio/recordio.h"
#include "recordio/signal_handlers.h"
#include "recordio/statement.h"

namespace recordio {
namespace {

// Closes units 0 to 99 as at the end of the run. A failure is reported for the unit whose
// output could not be handed over, not for the unit of the last statement.
void close_units_reporting() {
  for (int number = 0; number < unit_count; ++number) {
    detail::the_statement.unit_number = number;
    if (const detail::unit_failure f = detail::close_unit(number, detail::close_mode::report))
      detail::raise_failure(f);
  }
}

// A run that returns from main or calls exit without STOP still leaves complete, cut files.
void close_units_at_exit() {
  close_units_reporting();
}

// A standard descriptor that is closed when the program starts would be handed to the next
// file that OPEN connects, and the dialogue or an error report would then be written into
// the data or grid file. Each closed one is held by /dev/null instead: standard input and
// output opened the other way round, so that reading the dialogue or writing the messages
// still fails as on a closed descriptor; standard error for writing, so that warnings and
// reports nobody can see do not end a run.
void hold_closed_standard_descriptors() {
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = ::open("/dev/null", fd == STDOUT_FILENO ? O_RDONLY : O_WRONLY);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      ::close(held);
    }
  }
}

}  // namespace

void start_up() {
  static bool started = false;
  if (started) return;
  started = true;
  hold_closed_standard_descriptors();
  // A reader that goes away (plaxen ... | head) makes the hand-over of standard output a
  // write failure, reported like any other, instead of a signal that would end the run
  // before the grid file is written and cut.
  signal(SIGPIPE, SIG_IGN);
  // A file-size limit (ulimit -f) makes a write beyond it fail with "File too large",
  // reported and cut like a full disk, instead of a signal that kills the run mid-file and
  // leaves new rows followed by the old content of a longer grid file.
  signal(SIGXFSZ, SIG_IGN);
  // Units 0, 5 and 6 are not connected yet: connecting them closes nothing and cannot fail.
  for (const auto& [unit, fd] :
       {std::pair{error_unit, STDERR_FILENO}, std::pair{input_unit, STDIN_FILENO},
        std::pair{output_unit, STDOUT_FILENO}})
    (void)detail::connect_unit(unit, fd, {}, false);
  detail::install_signal_handlers();
  std::atexit(close_units_at_exit);
}

void stop() {
  stop_with_status(0);
}

void stop_with_status(int status) {
  close_units_reporting();
  detail::run_end_hook();
  std::exit(status);
}

void close(int unit) {
  detail::the_statement.unit_number = unit;
  if (const detail::unit_failure f = detail::close_unit(unit, detail::close_mode::report))
    detail::raise_failure(f);
}

void fail(std::string_view tag, std::string_view message) {
  detail::raise_error_text(tag, message);
}

}  // namespace recordio
