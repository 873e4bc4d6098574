// The whole run of recmat, from the command line to the exit status.
#pragma once

namespace recmat {

// Runs recmat on its command line: scans the log named there and writes "temp.mat".
// Returns the exit status: 0 after a complete run, -1 after a usage, open, read, write or
// allocation error, whose one-line message it has written to standard error.
int run_recmat(int argc, const char* const* argv);

}  // namespace recmat
