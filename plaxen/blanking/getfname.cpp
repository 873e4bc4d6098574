// File-name prompt: one question per run, the answer completed with a default extension.
#include "plaxen/blanking/getfname.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "recordio/recordio.h"

namespace plaxen {
namespace {

constexpr std::size_t name_length = blanking_name_length;
constexpr std::size_t extension_length = 4;

constexpr std::string_view prompt_format = "(' enter name of file ... default extent = ',A4,':  ')";
// A40 and the refusal's A40: a field of name_length characters.
constexpr std::string_view reply_format = "(A40)";
constexpr std::string_view refusal_format =
    "(' filename too long: ',A40,/,' process stopped in             subroutine getfname')";

struct Reply {
  bool asked = false;  // first-call flag
  std::array<char, name_length> text{};
};

Reply& kept_reply() {
  static Reply reply;
  return reply;
}

// Prompts on unit 6 and reads the answer from unit 5 into text, blank-padded.
void ask(std::span<const char, 4> ext, std::array<char, name_length>& text) {
  recordio::start_formatted_write(recordio::output_unit, prompt_format);
  recordio::write(std::string_view(ext.data(), ext.size()));
  recordio::end_write();
  // No END exit: an end of input ends the run with the report, so every call returns 0.
  (void)recordio::start_formatted_read(recordio::input_unit, reply_format);
  (void)recordio::read(std::span<char>(text));
  (void)recordio::end_read();
}

// Shows the refused name and ends the run: a refused name must not report success.
[[noreturn]] void refuse(std::span<const char, name_length> fname) {
  recordio::start_formatted_write(recordio::output_unit, refusal_format);
  recordio::write(std::string_view(fname.data(), fname.size()));
  recordio::end_write();
  recordio::stop_with_status(1);
}

}  // namespace

void getfname(std::span<char, blanking_name_length> fname, std::span<const char, 4> ext) {
  std::fill(fname.begin(), fname.end(), ' ');
  Reply& reply = kept_reply();
  if (!reply.asked) {
    reply.asked = true;
    ask(ext, reply.text);
  }
  for (std::size_t i = 0; i < name_length; ++i) {
    const char c = reply.text[i];
    if (c == '.') {
      std::copy(reply.text.begin(), reply.text.end(), fname.begin());
      return;
    }
    if (c == ' ') {
      if (i + extension_length > name_length) {
        refuse(fname);
      }
      std::copy(ext.begin(), ext.end(), fname.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
    fname[i] = c;
  }
  refuse(fname);
}

}  // namespace plaxen
