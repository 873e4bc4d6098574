// A program of the project started in the background, so that a test can act on it while
// it runs (send it a signal while it waits for input or writes its file) and then collect
// how it ended. A program that hangs is killed after a guard time, so no test waits for ever.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hardening {

struct spawn_options {
  std::filesystem::path dir;                // working directory
  std::vector<std::string> args;            // command-line arguments after the name
  std::filesystem::path stdout_file;        // empty: standard output is a pipe the test reads
  std::filesystem::path stderr_file;        // empty: standard error is a pipe the test reads
  std::vector<int> ignored_signals;         // set to SIG_IGN before the program starts
  std::vector<int> closed_descriptors;      // of 0, 1 and 2: closed when the program starts
  std::vector<std::pair<int, int>> passed;  // (descriptor of the test, number in the program)
  rlim_t file_size_limit = RLIM_INFINITY;   // RLIMIT_FSIZE of the program, in bytes
  bool output_unread = false;               // standard output a pipe that nobody reads

  explicit spawn_options(std::filesystem::path working_dir) : dir(std::move(working_dir)) {}
  spawn_options& arguments(std::vector<std::string> words) {
    args = std::move(words);
    return *this;
  }
  spawn_options& output_to(std::filesystem::path file) {
    stdout_file = std::move(file);
    return *this;
  }
  spawn_options& errors_to(std::filesystem::path file) {
    stderr_file = std::move(file);
    return *this;
  }
  spawn_options& passing(int fd, int as) {
    passed.emplace_back(fd, as);
    return *this;
  }
  spawn_options& limiting_file_size(rlim_t bytes) {
    file_size_limit = bytes;
    return *this;
  }
  spawn_options& ignoring(int signal) {
    ignored_signals.push_back(signal);
    return *this;
  }
  spawn_options& without_output_reader() {
    output_unread = true;
    return *this;
  }
  spawn_options& closing(int fd) {
    closed_descriptors.push_back(fd);
    return *this;
  }
};

// How the program ended.
struct ending {
  std::string out;       // standard output read from the pipe (empty when it went to a file)
  std::string err;       // standard error (empty when it went to a file)
  int exit_status = -1;  // when it exited
  int signal = 0;        // when a signal ended it (SIGKILL: it hung and the guard ended it)
};

// Waits until `fd` has something to read (or its other end has gone). False once it has
// stayed silent for a guard time that only a hanging program reaches.
bool wait_readable(int fd);

class spawned_program {
 public:
  // Starts `program` with standard input, and standard output and error unless they go to
  // files, on pipes; core dumps off, so a signal's default action leaves no core file.
  // Throws std::runtime_error when it cannot be started.
  spawned_program(const std::filesystem::path& program, const spawn_options& options);
  ~spawned_program();  // kills and reaps a program still running
  spawned_program(const spawned_program&) = delete;
  spawned_program& operator=(const spawned_program&) = delete;

  pid_t pid() const { return pid_; }

  // Writes `text` to the program's standard input.
  void write_input(std::string_view text);

  // Reads standard output until everything read so far ends with `text`; returns what was
  // read. Fails (returns what there is) when the program closes its output first, or after
  // a generous guard time that only a hanging program reaches.
  std::string read_output_until(std::string_view text);

  // Waits until the program sleeps in a read of its standard input, as the kernel shows it
  // in /proc/<pid>/syscall. False when it ends first or the guard time passes.
  bool wait_until_reading_input();

  // Waits until the program sleeps in an open (of a FIFO whose other end is missing).
  // False when it ends first or the guard time passes.
  bool wait_until_opening();

  // Sends `signal`, closes standard input, waits for the end and collects the rest of the
  // output.
  ending signal_and_wait(int signal);

  // Closes standard input and waits for the end.
  ending finish();

 private:
  ending wait_for_end();
  // Waits until the kernel shows the program asleep in system call `number`, with `fd` as
  // its first argument unless `fd` is empty.
  bool wait_until_in_call(long number, std::string_view fd);

  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string out_text_;
};

}  // namespace hardening
