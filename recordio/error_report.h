// The four-line error report and the abnormal end of the run that follows it.
#pragma once

#include <string_view>

namespace recordio::detail {

// Writes the error report for the statement in progress on standard error:
//   <tag>: <message>
//   apparent state: unit <n> named <name>      (or "(unnamed)" when the unit has no name)
//   last format: <format or "list io">         (only while a format is current)
//   lately reading|writing sequential formatted external IO
// then closes all units quietly (output written, files last written cut) and aborts
// without the abort-signal message. A report raised while one is already being produced
// aborts at once.
[[noreturn]] void raise_error(std::string_view tag, std::string_view message) noexcept;

// The same with the system error text for `error_number` as the message.
[[noreturn]] void raise_system_error(std::string_view tag, int error_number) noexcept;

// Ends the process through abort() with the default abort disposition, so that the
// handler's "IOT Trap" line is not written. Async-signal-safe.
[[noreturn]] void abort_quietly() noexcept;

}  // namespace recordio::detail
