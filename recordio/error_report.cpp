// The four-line error report and the abnormal end of the run that follows it.
#include "recordio/error_report.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "recordio/end_hook.h"
#include "recordio/statement.h"

namespace recordio::detail {
namespace {

// Hands `text` to standard error directly, past any buffering of unit 0.
void write_error_text(std::string_view text) noexcept {
  while (!text.empty()) {
    ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Appends the decimal text of `value`.
void append_number(std::string& out, int value) {
  out += std::to_string(value);
}

// Builds the report's lines from the statement object.
std::string report_text(std::string_view tag, std::string_view message) {
  const statement& s = the_statement;
  std::string text;
  text.reserve(256);
  text.append(tag).append(": ").append(message).push_back('\n');
  // The unit line needs a unit; a failure before any statement has none to show.
  if (s.unit_number >= 0) {
    text.append("apparent state: unit ");
    append_number(text, s.unit_number);
    const unit* u = find_unit(s.unit_number);
    if (u != nullptr && !u->name.empty())
      text.append(" named ").append(u->name);
    else
      text.append(" (unnamed)");
    text.push_back('\n');
  }
  if (s.shown == format_shown::list_io) text.append("last format: list io\n");
  if (s.shown == format_shown::format_text)
    text.append("last format: ").append(s.format().text) += '\n';
  text.append(s.reading ? "lately reading" : "lately writing");
  text.append(" sequential formatted external IO\n");
  return text;
}

}  // namespace

void abort_quietly() noexcept {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(SIGABRT, &dfl, nullptr);
  sigset_t abrt;
  sigemptyset(&abrt);
  sigaddset(&abrt, SIGABRT);
  sigprocmask(SIG_UNBLOCK, &abrt, nullptr);
  std::abort();
}

void raise_error_text(std::string_view tag, std::string_view message) noexcept {
  static bool reporting = false;
  // Step 1: a failure met while a report is closing the units ends the run at once.
  if (reporting) abort_quietly();
  reporting = true;
  // Step 2: the unit 0 output that precedes the report, then the report itself.
  close_unit(0, close_mode::quiet);
  try {
    write_error_text(report_text(tag, message));
  } catch (...) {
    write_error_text(tag);
    write_error_text("\n");
  }
  // Step 3: every unit closed as at the end of the run, then the abnormal end.
  close_all_units(close_mode::quiet);
  reporting = false;
  run_end_hook();
  abort_quietly();
}

void raise_error(error_kind kind) noexcept {
  const error_text text = describe(kind);
  raise_error_text(text.tag, text.message);
}

void raise_error(error_kind kind, int error_number) noexcept {
  raise_error_text(describe(kind).tag, std::strerror(error_number));
}

void raise_failure(const unit_failure& failure) noexcept {
  raise_error(failure.kind, failure.error_number);
}

}  // namespace recordio::detail
