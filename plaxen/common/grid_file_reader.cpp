// The grid file reader: values counted line by line against the rows they must fill.
#include "plaxen/common/grid_file_reader.h"

#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "plaxen/common/capacities.h"
#include "plaxen/common/shown_text.h"

namespace plaxen {
namespace {

constexpr std::int32_t values_per_line = grid_values_per_line;
constexpr std::size_t longest_value = 64;  // characters kept of one value's text

// What the lines of an nx by ny grid file must hold.
class grid_layout {
 public:
  grid_layout(std::int32_t nx, std::int32_t ny)
      : nx_(nx), ny_(ny), lines_per_row_((nx + values_per_line - 1) / values_per_line) {}

  std::int64_t line_count() const { return std::int64_t{ny_} * lines_per_row_; }
  // Values on line `line` (1-based, at most line_count()) and the position of its first.
  std::int32_t values_on(std::int64_t line) const {
    const auto part = static_cast<std::int32_t>((line - 1) % lines_per_row_);
    return std::min(values_per_line, nx_ - part * values_per_line);
  }
  std::size_t first_position(std::int64_t line) const {
    const std::int64_t row = (line - 1) / lines_per_row_;
    const std::int64_t part = (line - 1) % lines_per_row_;
    return static_cast<std::size_t>(row * nx_ + part * values_per_line);
  }
  std::string size_text() const { return std::to_string(nx_) + " x " + std::to_string(ny_); }

 private:
  std::int32_t nx_;
  std::int32_t ny_;
  std::int32_t lines_per_row_;
};

// Takes the file's characters one piece at a time and checks each line as it ends.
class grid_scanner {
 public:
  grid_scanner(const grid_layout& layout, std::span<float> z) : layout_(layout), z_(z) {}

  // Returns false once a problem is found (then problem() names it).
  bool take(const char* p, const char* end) {
    for (; p < end && problem_.empty(); ++p) {
      const char c = *p;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        end_value();
        if (c == '\n') end_line();
      } else if (value_length_ < longest_value) {
        value_[value_length_++] = c;
      } else {
        // Longer than any number: refused at once, so an endless value (a device of NUL
        // bytes) ends the reading too.
        ++value_length_;
        end_value();
      }
    }
    return problem_.empty();
  }

  // The end of the file: a last line without a newline counts as a line.
  void finish() {
    end_value();
    if (problem_.empty() && on_line_ > 0) end_line();
    if (problem_.empty() && line_ < layout_.line_count())
      problem_ =
          (line_ == 0 ? std::string("is empty") : "ends after line " + std::to_string(line_)) +
          " where a grid of " + layout_.size_text() + " nodes has " +
          std::to_string(layout_.line_count()) + " lines";
  }

  const std::string& problem() const { return problem_; }

 private:
  std::int64_t current_line() const { return line_ + 1; }

  void end_value() {
    if (value_length_ == 0 || !problem_.empty()) return;
    const std::int64_t line = current_line();
    ++on_line_;
    float value = 0.0f;
    const char* last = value_ + std::min(value_length_, longest_value);
    const auto parsed = fast_float::from_chars(value_, last, value);
    if (value_length_ > longest_value || parsed.ec != std::errc() || parsed.ptr != last) {
      problem_ = "line " + std::to_string(line) + ", value " + std::to_string(on_line_) + ": \"" +
                 shown_text(std::string_view(value_, std::size_t(last - value_))) +
                 (value_length_ > longest_value ? "..." : "") + "\" is not a number";
    } else if (line > layout_.line_count()) {
      problem_ = after_last_line(line);
    } else if (on_line_ <= layout_.values_on(line)) {
      z_[layout_.first_position(line) + static_cast<std::size_t>(on_line_ - 1)] = value;
    } else if (on_line_ > values_per_line) {
      // No grid file has a longer line: refused at once, so an endless line ends too.
      problem_ = "line " + std::to_string(line) + " holds more than " +
                 std::to_string(values_per_line) + " values where a grid of " +
                 layout_.size_text() + " nodes has " + std::to_string(layout_.values_on(line));
    }
    value_length_ = 0;
  }

  std::string after_last_line(std::int64_t line) const {
    return "line " + std::to_string(line) + " holds values after the " +
           std::to_string(layout_.line_count()) + " lines of a grid of " + layout_.size_text() +
           " nodes";
  }

  void end_line() {
    const std::int64_t line = current_line();
    if (line <= layout_.line_count()) {
      if (on_line_ != layout_.values_on(line))
        problem_ = "line " + std::to_string(line) + " holds " + std::to_string(on_line_) +
                   " values where a grid of " + layout_.size_text() + " nodes has " +
                   std::to_string(layout_.values_on(line));
    } else if (on_line_ > 0) {
      problem_ = after_last_line(line);
    }
    ++line_;
    on_line_ = 0;
  }

  const grid_layout& layout_;
  std::span<float> z_;
  std::int64_t line_ = 0;     // lines ended so far
  std::int64_t on_line_ = 0;  // values met on the current line
  char value_[longest_value];
  std::size_t value_length_ = 0;
  std::string problem_;
};

}  // namespace

std::string read_grid_file(const std::string& path, std::int32_t nx, std::int32_t ny,
                           std::span<float> z) {
  if (nx < 1 || ny < 1 || z.size() < std::size_t(nx) * std::size_t(ny))
    return "no room for a grid of " + std::to_string(nx) + " x " + std::to_string(ny) + " nodes";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return std::strerror(EISDIR);
  }
  const grid_layout layout(nx, ny);
  grid_scanner scanner(layout, z);
  char piece[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, piece, sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return std::strerror(error);
    }
    if (n == 0) break;
    if (!scanner.take(piece, piece + n)) break;
  }
  ::close(fd);
  if (scanner.problem().empty()) scanner.finish();
  return scanner.problem();
}

}  // namespace plaxen
