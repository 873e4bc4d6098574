// The line holding a byte of a text file, found by counting newlines from its start.
#include "plaxen/common/text_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace plaxen {

std::optional<TextLine> line_at_offset(const std::string& path, std::int64_t offset,
                                       std::size_t longest) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  TextLine line;
  line.number = 1;
  std::int64_t position = 0;  // offset of the next byte taken
  std::size_t length = 0;     // of the current line, also beyond what `text` keeps
  bool line_ended = false;    // the newline of the line holding `offset` was met
  char piece[1 << 16];
  while (!line_ended) {
    const ssize_t n = ::read(fd, piece, sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t k = 0; k < n; ++k, ++position) {
      if (piece[k] != '\n') {
        if (line.text.size() < longest) line.text.push_back(piece[k]);
        ++length;
      } else if (position >= offset) {
        line_ended = true;
        break;
      } else {
        ++line.number;
        line.text.clear();
        length = 0;
      }
    }
  }
  ::close(fd);
  if (!line_ended && position < offset) return std::nullopt;
  // A carriage return before the line end is not part of its text (one kept in a cut
  // text is not at the end).
  if (length == line.text.size() && !line.text.empty() && line.text.back() == '\r')
    line.text.pop_back();
  return line;
}

}  // namespace plaxen
