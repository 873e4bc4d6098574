// Start-up, STOP and the closing of all units at the end of the run.
#include <unistd.h>

#include <cstdlib>

#include "recordio/end_hook.h"
#include "recordio/error_report.h"
#include "recordio/recordio.h"
#include "recordio/signal_handlers.h"
#include "recordio/statement_state.h"
#include "recordio/unit_table.h"

namespace recordio {
namespace {

// A run that returns from main or calls exit without STOP still leaves complete, cut files.
void close_units_at_exit() {
  detail::close_all_units(detail::close_mode::report);
}

}  // namespace

void start_up() {
  static bool started = false;
  if (started) return;
  started = true;
  detail::connect_unit(error_unit, STDERR_FILENO, {}, false);
  detail::connect_unit(input_unit, STDIN_FILENO, {}, false);
  detail::connect_unit(output_unit, STDOUT_FILENO, {}, false);
  detail::install_signal_handlers();
  std::atexit(close_units_at_exit);
}

void stop() {
  stop_with_status(0);
}

void stop_with_status(int status) {
  detail::close_all_units(detail::close_mode::report);
  detail::run_end_hook();
  std::exit(status);
}

void close(int unit) {
  detail::current_statement().unit = unit;
  detail::close_unit(unit, detail::close_mode::report);
}

void fail(std::string_view tag, std::string_view message) {
  detail::raise_error(tag, message);
}

}  // namespace recordio
