// The signal handlers that end the run with one line on standard error.
#pragma once

namespace recordio::detail {

// Installs the handlers: floating-point exception "Floating Exception", abort "IOT Trap",
// trace trap "Trace trap" and quit "Quit signal" close all units and abort; interrupt
// "Interrupt" and termination "Killed" close all units and exit with status 1. Interrupt
// and quit stay ignored when they were ignored at start.
void install_signal_handlers();

}  // namespace recordio::detail
