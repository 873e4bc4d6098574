// Finding the line of a text file that holds a given byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plaxen {

struct TextLine {
  std::int64_t number = 0;  // 1-based
  std::string text;         // without its newline or a carriage return before it
};

// The line of the file `path` that holds the byte at `offset` (a newline belongs to the
// line it ends), with at most `longest` characters of its text. Reads the file from its
// start; none when it cannot be read or is shorter than `offset`.
std::optional<TextLine> line_at_offset(const std::string& path, std::int64_t offset,
                                       std::size_t longest);

}  // namespace plaxen
