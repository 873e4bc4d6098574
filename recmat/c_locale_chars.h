// Character classes of the "C" locale, as the log's number conversions know them.
#pragma once

namespace recmat {

// White space as isspace knows it in the "C" locale.
inline bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace recmat
