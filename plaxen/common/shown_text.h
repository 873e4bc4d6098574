// Text from files and command lines as a message may show it: one line, nothing that acts
// on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plaxen {

// Most characters of a file's text a message shows before it cuts the text with "...".
inline constexpr std::size_t shown_characters = 80;

// `text` as one line of a message: every control character (a NUL, an escape, a carriage
// return, a newline) and every byte that is not part of well-formed UTF-8 becomes '?', and
// a text of more than `longest` characters is cut after them, "..." marking the cut. A
// character of several bytes counts once and is never cut in two.
std::string shown_text(std::string_view text, std::size_t longest = shown_characters);

// The length of the well-formed UTF-8 character at the start of `text` (1 to 4 bytes), or 0
// when it does not start with one (a stray continuation byte, an overlong or surrogate
// form, a code point above U+10FFFF, a sequence cut short).
std::size_t utf8_character_length(std::string_view text);

}  // namespace plaxen
