// The temporary MAT-file that a signal ending the run must not leave behind.
#pragma once

#include <string>

namespace recmat::mat {

// Makes a unique file from `pattern`, a name ending in "XXXXXX" that is completed as by
// mkstemp, and registers it for removal: an interrupt, termination request, hang-up or quit
// signal that arrives before forget_temporary_file() removes the file and then ends the
// process by the same signal with its default action. Those signals are held off while the
// file is made, so no such file ever exists unregistered. The handlers are installed on the
// first call; a signal ignored when recmat started stays ignored. One file at a time.
// Returns the open descriptor with `pattern` completed, or -1 with errno (nothing made).
int create_temporary_file(std::string& pattern);

// Takes the registered file out of the handlers' care, once it has been renamed or removed.
void forget_temporary_file() noexcept;

}  // namespace recmat::mat
