// The command line of a companion program: its operands and options taken in order, and the
// one-line failure, help and version every companion gives the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plaxen {

class CommandLine {
 public:
  // `program` names the program in its messages ("plaxen-export").
  CommandLine(std::string_view program, int argc, char** argv)
      : program_(program), argc_(argc), argv_(argv) {}

  const std::string& program() const { return program_; }
  bool done() const { return next_ >= argc_; }
  // The next argument; call only when !done().
  std::string_view next() { return argv_[next_++]; }
  // The value that follows `option`: the next argument. Fails with "OPTION needs a value"
  // when there is none.
  std::string_view value_of(std::string_view option);

  // Whether `arg` is an option: it starts with '-' and is neither "-" alone nor a negative
  // number ("-3", "-.5").
  static bool is_option(std::string_view arg);

  // Writes "PROGRAM: LINE" on standard error and exits with status 1. The line is shown
  // as it stands; text from files and arguments must already be made safe (shown_text).
  [[noreturn]] void fail(const std::string& line) const;
  // Writes "PROGRAM: LINE" on standard error and returns 1, the exit status, for a main that
  // must end by returning so that its objects remove what they would leave behind.
  int failure(const std::string& line) const;
  // "unknown option 'ARG'; see PROGRAM --help"
  [[noreturn]] void fail_unknown_option(std::string_view arg) const;
  // Writes `text` on standard output and exits with status 0, or 1 when it cannot be written.
  [[noreturn]] void print_and_exit(std::string_view text) const;
  // Writes the report `text` on standard output and returns; when it cannot be written,
  // fails with "cannot write the report: " and the system error text.
  void print_report(std::string_view text) const;

  // A node count given as `text` for the operand `name` ("NX"): an optionally signed
  // decimal integer in the 32-bit range and nothing else. Fails with "NX must be an
  // integer, not '50.0'" otherwise.
  std::int32_t node_count(std::string_view name, std::string_view text) const;

 private:
  std::string program_;
  int argc_;
  char** argv_;
  int next_ = 1;
};

// Parses an optionally signed decimal integer in the 32-bit range and nothing else ("61",
// "+61", "-3"); false for anything else ("50.0", "1e3", "61x", ""), leaving `count` alone.
bool parse_node_count(std::string_view text, std::int32_t& count);

}  // namespace plaxen
