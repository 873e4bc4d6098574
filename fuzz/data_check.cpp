// Fuzz target: the companions' loading of a data file, which returns an unreadable record
// as a line of text where plaxen aborts with its report.
//
// Whatever the bytes, load_data_file returns normally (the layer never ends the run), and
// a record it cannot read is named by a line of the file whose text, as shown, is the text
// of that very line. The records loaded are at most the file's lines.
//
// Input: the data file's bytes.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/harness.h"
#include "plaxen/common/data_file.h"

namespace {

// Line `number` (1-based) as load_data_file shows it: no carriage return before its end,
// control characters as '?', cut after 80 characters.
std::string shown_line(std::string_view text, std::int64_t number) {
  std::size_t start = 0;
  for (std::int64_t n = 1; n < number; ++n) start = text.find('\n', start) + 1;
  std::string line(text.substr(start, text.find('\n', start) - start));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const bool cut = line.size() > 80;
  if (cut) line.resize(80);
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return cut ? line + "..." : line;
}

void check_named_line(std::string_view text, const std::string& problem) {
  // "line L: <kind> in record K: \"<text>\""
  if (!problem.starts_with("line ")) fuzzing::fail("unexpected problem", problem);
  const std::int64_t number = std::stoll(problem.substr(5));
  const auto lines = std::int64_t(std::count(text.begin(), text.end(), '\n')) + 1;
  if (number < 1 || number > lines) fuzzing::fail("a line the file does not have", problem);
  const std::size_t quote = problem.find(": \"");
  if (quote == std::string::npos || !problem.ends_with("\""))
    fuzzing::fail("no line text", problem);
  const std::string shown = problem.substr(quote + 3, problem.size() - quote - 4);
  if (shown != shown_line(text, number)) fuzzing::fail("the text of another line", problem);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const int fd = fuzzing::memory_file(text);
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  plaxen::DataFile file;
  auto body = [&] { file = plaxen::load_data_file(path); };
  if (!fuzzing::run_guarded(body)) fuzzing::fail("the layer ended the run");
  ::close(fd);
  if (!file.problem.empty()) check_named_line(text, file.problem);
  const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
  if (plaxen::points.n > lines) fuzzing::fail("more records than lines");
  return 0;
}
