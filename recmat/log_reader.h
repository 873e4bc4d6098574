// The log, read one line at a time into recmat's 100-character line buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>

namespace recmat {

// Owns the open log stream and its line buffer. A line is read as fgets into a buffer of
// 100 characters would read it: up to 99 characters, stopping after a newline, then NUL.
// What follows the line is handled by its end:
//  - it ended with its newline: the next character is dropped only when it is a carriage
//    return or a newline (the extra line-end character of the log); any other character
//    stays in the log as the first character of the next line;
//  - it was cut at 99 characters: the next character of the log is dropped;
//  - the log ended inside it: nothing follows.
// A read that meets the end of the log before its first character stores nothing and the
// buffer keeps the line read last (the empty string before the first read).
class log_reader {
 public:
  static constexpr std::size_t buffer_size = 100;

  // Opens `filename` as a text stream for reading. Throws fatal_error
  // "Error: Cannot open file <filename>" when it cannot be opened.
  static log_reader open(const std::string& filename);

  // Takes over `stream`, already open for reading (closed by the destructor); `filename`
  // names it in error messages.
  log_reader(std::FILE* stream, std::string filename);
  log_reader(const log_reader&) = delete;
  log_reader& operator=(const log_reader&) = delete;
  ~log_reader();

  // Reads the next line into the buffer as described above. Returns true when it stored a
  // line, false when the log had ended. Throws fatal_error "Error: Cannot read file
  // <filename>" on a read error other than the end of the log. Never allocates.
  bool read_line();

  // True once a read has met the end of the log (the stream's end-of-file indicator).
  bool at_end() const;

  // The line buffer: always NUL-terminated, holding the line read last.
  const char* line() const { return line_.data(); }

 private:
  void drop_line_end(std::size_t stored);
  void throw_if_failed() const;

  std::FILE* stream_;
  std::string filename_;
  std::array<char, buffer_size> line_{};
};

}  // namespace recmat
