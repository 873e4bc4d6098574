// The companions' shared command-line handling.
#include "plaxen/common/command_line.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plaxen/common/shown_text.h"

namespace plaxen {

std::string_view CommandLine::value_of(std::string_view option) {
  if (done()) fail(shown_text(option) + " needs a value; see " + program_ + " --help");
  return next();
}

bool CommandLine::is_option(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '-') return false;
  const char c = arg[1];
  return !((c >= '0' && c <= '9') || c == '.');
}

void CommandLine::fail(const std::string& line) const {
  std::exit(failure(line));
}

int CommandLine::failure(const std::string& line) const {
  std::fprintf(stderr, "%s: %s\n", program_.c_str(), line.c_str());
  return 1;
}

void CommandLine::fail_unknown_option(std::string_view arg) const {
  fail("unknown option '" + shown_text(arg) + "'; see " + program_ + " --help");
}

void CommandLine::print_report(std::string_view text) const {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    fail(std::string("cannot write the report: ") + std::strerror(errno));
}

void CommandLine::print_and_exit(std::string_view text) const {
  const bool written =
      std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
  std::exit(written ? 0 : 1);
}

std::int32_t CommandLine::node_count(std::string_view name, std::string_view text) const {
  std::int32_t count = 0;
  if (!parse_node_count(text, count))
    fail(std::string(name) + " must be an integer, not '" + shown_text(text) + "'");
  return count;
}

bool parse_node_count(std::string_view text, std::int32_t& count) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return false;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  count = value;
  return true;
}

}  // namespace plaxen
