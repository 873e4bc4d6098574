// Making file text safe to show: control characters and broken UTF-8 as '?', long text cut.
#include "plaxen/common/shown_text.h"

namespace plaxen {

std::size_t utf8_character_length(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char first = byte(0);
  if (first < 0x80) return 1;
  // The length from the first byte, and the range the second byte must lie in so that the
  // form is neither overlong, nor a surrogate, nor above U+10FFFF.
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  return length;
}

std::string shown_text(std::string_view text, std::size_t longest) {
  std::string shown;
  std::size_t characters = 0;
  while (!text.empty()) {
    if (characters == longest) return shown + "...";
    const std::size_t length = utf8_character_length(text);
    const auto first = static_cast<unsigned char>(text.front());
    // C0 controls, DEL, and the C1 controls U+0080..U+009F (some terminals act on them).
    const bool control =
        first < 0x20 || first == 0x7f ||
        (length == 2 && first == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0);
    if (length == 0 || control)
      shown += '?';
    else
      shown.append(text.substr(0, length));
    text.remove_prefix(length == 0 ? 1 : length);
    ++characters;
  }
  return shown;
}

}  // namespace plaxen
