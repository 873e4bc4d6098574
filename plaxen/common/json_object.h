// Writing JSON objects for scripts: members one after another, numbers exact, text always
// valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plaxen {

struct DataLimits;

// Writes the members of one object after another, commas between them; the braces are
// written by the constructor and the destructor.
class JsonObject {
 public:
  explicit JsonObject(std::string& out) : out_(out) { out_ += '{'; }
  ~JsonObject() { out_ += '}'; }
  JsonObject(const JsonObject&) = delete;
  JsonObject& operator=(const JsonObject&) = delete;

  // A single real or a double as the shortest text that reads back to it; one that is not
  // finite as the string "inf", "-inf" or "nan", which JSON has no number for.
  void number(std::string_view key, float value);
  void number(std::string_view key, double value);
  void integer(std::string_view key, std::int64_t value) { raw(key, std::to_string(value)); }
  void boolean(std::string_view key, bool value) { raw(key, value ? "true" : "false"); }
  void text(std::string_view key, std::string_view value) { raw(key, quoted(value)); }
  void null(std::string_view key) { raw(key, "null"); }
  // Starts a member whose value the caller writes next (a nested object or an array).
  std::string& member(std::string_view key) {
    raw(key, "");
    return out_;
  }

  // A JSON string of `s`, always valid UTF-8: quotes, backslashes and control characters
  // escaped; a byte that is not part of well-formed UTF-8 (a file name may hold any) as
  // \udcXX, XX its value, as Python's "surrogateescape" names such a byte, so that
  // os.fsencode() gives the bytes back.
  static std::string quoted(std::string_view s);

 private:
  void raw(std::string_view key, std::string_view value);

  std::string& out_;
  bool first_ = true;
};

// The data limits as the object {"xmin", "xmax", "ymin", "ymax"} every report gives.
void write_limits(std::string& out, const DataLimits& limits);

}  // namespace plaxen
