// Line reading of the log with the buffer and line-end rules of recmat.
#include "recmat/log_reader.h"

#include <utility>

#include "recmat/fatal_error.h"

namespace recmat {

log_reader log_reader::open(const std::string& filename) {
  std::string name = filename;  // copied first, so nothing can throw while the log is open
  std::FILE* stream = std::fopen(name.c_str(), "r");
  if (stream == nullptr) throw fatal_error("Error: Cannot open file " + name + "\n");
  return log_reader(stream, std::move(name));
}

log_reader::log_reader(std::FILE* stream, std::string filename)
    : stream_(stream), filename_(std::move(filename)) {}

log_reader::~log_reader() {
  if (stream_ != nullptr) std::fclose(stream_);
}

bool log_reader::read_line() {
  // Read character by character rather than with fgets: a NUL byte in the log must not
  // hide whether the line ended with its newline or was cut.
  std::size_t stored = 0;
  while (stored < buffer_size - 1) {
    const int c = getc_unlocked(stream_);
    if (c == EOF) break;
    line_[stored++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  throw_if_failed();
  if (stored == 0) return false;
  line_[stored] = '\0';
  drop_line_end(stored);
  return true;
}

void log_reader::drop_line_end(std::size_t stored) {
  if (line_[stored - 1] == '\n') {
    const int next = getc_unlocked(stream_);
    if (next != '\r' && next != '\n' && next != EOF) std::ungetc(next, stream_);
  } else if (stored == buffer_size - 1) {
    getc_unlocked(stream_);  // the cut line's 100th character, or its newline
  }
  throw_if_failed();
}

void log_reader::throw_if_failed() const {
  if (std::ferror(stream_)) throw fatal_error("Error: Cannot read file " + filename_ + "\n");
}

bool log_reader::at_end() const {
  return std::feof(stream_) != 0;
}

}  // namespace recmat
