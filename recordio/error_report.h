// The four-line error report and the abnormal end of the run that follows it.
#pragma once

#include <string_view>

#include "recordio/error_kind.h"
#include "recordio/unit_table.h"

namespace recordio::detail {

// Writes the error report for the statement in progress (the_statement) on standard error:
//   <tag>: <message>
//   apparent state: unit <n> named <name>      (or "(unnamed)" when the unit has no name)
//   last format: <format or "list io">         (only while a format is current)
//   lately reading|writing sequential formatted external IO
// then closes all units quietly (output written, files last written cut) and aborts
// without the abort-signal message. A report raised while one is already being produced
// aborts at once. The tag and message are those of `kind` in the table of error kinds.
[[noreturn]] void raise_error(error_kind kind) noexcept;

// The same for a kind whose message is the system error text for `error_number`.
[[noreturn]] void raise_error(error_kind kind, int error_number) noexcept;

// The same for a step the unit table could not do.
[[noreturn]] void raise_failure(const unit_failure& failure) noexcept;

// The same with a tag and message of the program's own (recordio::fail).
[[noreturn]] void raise_error_text(std::string_view tag, std::string_view message) noexcept;

// Ends the process through abort() with the default abort disposition, so that the
// handler's "IOT Trap" line is not written. Async-signal-safe.
[[noreturn]] void abort_quietly() noexcept;

}  // namespace recordio::detail
