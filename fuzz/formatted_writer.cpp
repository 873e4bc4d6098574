// Fuzz target: the formatted and list-directed writing of plaxen, checked field by field.
//
// Arbitrary float bit patterns, integers and texts go through every format the program
// writes with, and the text that reaches the unit must equal a rendering built here from
// the field rules alone: Ew.d from the C library's "%#.*E" conversion, Iw and Aw by their
// widths, the records of each format (slash, reversion every 3000 fields, no trailing
// blank from a final X) and the 80-column rule of list-directed integers.
//
// Input: one byte choosing the statement, two bytes of item count, then the items' bytes
// (cycled when more items are wanted than bytes given).
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "recordio/recordio.h"

namespace {

// The Ew.d field of `v` by the rules: digits and exponent from "%#.*E" at precision d-1.
std::string e_field(float value, int w, int d) {
  const double v = value;
  std::string body;
  if (std::isnan(v) || std::isinf(v)) {
    char text[16];
    std::snprintf(text, sizeof text, "%E", std::fabs(v));
    body = (std::isinf(v) && v < 0 ? "-" : "") + std::string(text);
    if (body.size() > static_cast<std::size_t>(w))
      return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - body.size(), ' ') + body;
  }
  std::string digits;
  int exponent = 0;
  if (v == 0) {
    digits.assign(static_cast<std::size_t>(d), '0');
  } else {
    char text[64];
    std::snprintf(text, sizeof text, "%#.*E", d - 1, std::fabs(v));
    // "m.mmmmE+xx": the digits without the point, then the exponent.
    const char* e = std::strchr(text, 'E');
    for (const char* p = text; p < e; ++p)
      if (*p != '.') digits.push_back(*p);
    exponent = std::atoi(e + 1) + 1;
  }
  char exponent_text[16];
  std::snprintf(exponent_text, sizeof exponent_text, "%c%02d", exponent < 0 ? '-' : '+',
                std::abs(exponent));
  const int s = v < 0 ? 1 : 0;
  const int spare = w - (s + d + 5);
  if (spare < 0) return std::string(static_cast<std::size_t>(w), '*');
  std::string field;
  if (spare > 0) field.assign(static_cast<std::size_t>(spare - 1), ' ');
  if (s) field += '-';
  if (spare > 0) field += '0';
  field += '.' + digits + 'E' + exponent_text;
  // A three-digit exponent takes one more column than the rule counts: it cannot fit then.
  if (field.size() != static_cast<std::size_t>(w))
    return std::string(static_cast<std::size_t>(w), '*');
  return field;
}

std::string i_field(std::int32_t value, int w) {
  const std::string text = std::to_string(value);
  if (text.size() > static_cast<std::size_t>(w))
    return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w) - text.size(), ' ') + text;
}

std::string a_field(const std::string& item, std::size_t w) {
  if (w <= item.size()) return item.substr(0, w);
  return std::string(w - item.size(), ' ') + item;
}

// Items drawn from the input bytes, cycled.
class item_source {
 public:
  explicit item_source(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint32_t word() {
    std::uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w = (w << 8) | next();
    return w;
  }
  float real() {
    const std::uint32_t w = word();
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
  }
  std::string text(std::size_t length) {
    std::string t;
    for (std::size_t i = 0; i < length; ++i) t.push_back(static_cast<char>(next()));
    return t;
  }

 private:
  std::uint8_t next() { return bytes_.empty() ? 0 : bytes_[at_++ % bytes_.size()]; }
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// One statement: writes its items through the layer and renders what it must give.
struct statement {
  std::string expected;
  void (*write)(statement&) = nullptr;
  std::vector<float> reals;
  std::vector<std::int32_t> integers;
  std::string text;
};

statement* current = nullptr;

constexpr const char* limits_format = "(' data limits: xmin,xmax,ymin,ymax=',/,4E12.4)";
constexpr const char* grid_format = "(3000e15.7,x)";
constexpr const char* range_format = "(1X,29Hpoint out of range k,x,y,z = ,I5,3E15.4)";
constexpr const char* prompt_format = "(' enter name of file ... default extent = ',A4,':  ')";
constexpr const char* refusal_format =
    "(' filename too long: ',A40,/,' process stopped in             subroutine getfname')";
constexpr const char* limits_text = " data limits: xmin,xmax,ymin,ymax=";

void write_reals(const char* format, const std::vector<float>& reals) {
  recordio::start_formatted_write(recordio::output_unit, format);
  for (float r : reals) recordio::write(r);
  recordio::end_write();
}

// The data limits: a text line and a line of up to four E12.4 fields, again per four items.
void make_limits(statement& s, item_source& items, std::size_t count) {
  count %= 13;
  for (std::size_t i = 0; i < count; ++i) s.reals.push_back(items.real());
  for (std::size_t i = 0; i == 0 || i < count; i += 4) {
    s.expected += std::string(limits_text) + "\n";
    for (std::size_t k = i; k < std::min(count, i + 4); ++k)
      s.expected += e_field(s.reals[k], 12, 4);
    s.expected += "\n";
  }
  s.write = [](statement& st) { write_reals(limits_format, st.reals); };
}

// A grid row: 3000 E15.7 fields per line, the rest on further lines.
void make_grid_row(statement& s, item_source& items, std::size_t count) {
  count %= 9001;
  for (std::size_t i = 0; i < count; ++i) s.reals.push_back(items.real());
  for (std::size_t i = 0; i == 0 || i < count; i += 3000) {
    for (std::size_t k = i; k < std::min(count, i + 3000); ++k)
      s.expected += e_field(s.reals[k], 15, 7);
    s.expected += "\n";
  }
  s.write = [](statement& st) { write_reals(grid_format, st.reals); };
}

// The out-of-range line: I5 and three E15.4 fields after the 29-character text.
void make_out_of_range(statement& s, item_source& items) {
  s.integers.push_back(static_cast<std::int32_t>(items.word()));
  for (int i = 0; i < 3; ++i) s.reals.push_back(items.real());
  s.expected = " point out of range k,x,y,z = " + i_field(s.integers[0], 5);
  for (float r : s.reals) s.expected += e_field(r, 15, 4);
  s.expected += "\n";
  s.write = [](statement& st) {
    recordio::start_formatted_write(recordio::output_unit, range_format);
    recordio::write(st.integers[0]);
    for (float r : st.reals) recordio::write(r);
    recordio::end_write();
  };
}

// The prompt with its A4 item, or the two refusal lines with their A40 item; the item's
// length varies around the field width.
void make_name_line(statement& s, item_source& items, std::size_t count, bool refusal) {
  const std::size_t width = refusal ? 40 : 4;
  s.text = items.text(count % (2 * width + 2));
  if (refusal) {
    s.expected = " filename too long: " + a_field(s.text, width) +
                 "\n process stopped in             subroutine getfname\n";
  } else {
    s.expected = " enter name of file ... default extent = " + a_field(s.text, width) + ":  \n";
  }
  s.write = refusal ? +[](statement& st) {
    recordio::start_formatted_write(recordio::output_unit, refusal_format);
    recordio::write(std::string_view(st.text));
    recordio::end_write();
  } : +[](statement& st) {
    recordio::start_formatted_write(recordio::output_unit, prompt_format);
    recordio::write(std::string_view(st.text));
    recordio::end_write();
  };
}

// List-directed integers (the echo of nx and ny): a blank and the digits each, a new record
// before an item whose digits would reach column 80.
void make_list_integers(statement& s, item_source& items, std::size_t count) {
  count %= 41;
  std::string record;
  for (std::size_t i = 0; i < count; ++i) {
    const auto v = static_cast<std::int32_t>(items.word());
    s.integers.push_back(v);
    const std::string digits = std::to_string(v < 0 ? -static_cast<std::int64_t>(v) : v);
    if (!record.empty() && record.size() + digits.size() >= 80) {
      s.expected += record + "\n";
      record.clear();
    }
    record += (v < 0 ? " -" : " ") + digits;
  }
  s.expected += record + "\n";
  s.write = [](statement& st) {
    recordio::start_list_write(recordio::output_unit);
    for (std::int32_t v : st.integers) recordio::write(v);
    recordio::end_write();
  };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::input_reader in({data, size});
  const std::uint8_t choice = in.byte();
  const std::size_t count = in.byte() | (std::size_t{in.byte()} << 8);
  item_source items(in.rest());
  statement s;
  switch (choice % 6) {
    case 0:
      make_limits(s, items, count);
      break;
    case 1:
      make_grid_row(s, items, count);
      break;
    case 2:
      make_out_of_range(s, items);
      break;
    case 3:
      make_name_line(s, items, count, false);
      break;
    case 4:
      make_name_line(s, items, count, true);
      break;
    default:
      make_list_integers(s, items, count);
      break;
  }
  const int out = fuzzing::memory_file({});
  fuzzing::connect(recordio::output_unit, out);
  current = &s;
  auto body = [] { current->write(*current); };
  const bool normal = fuzzing::run_guarded(body);
  const std::string written = fuzzing::file_contents(out);
  ::close(out);
  if (!normal) fuzzing::fail("a write statement ended the run");
  if (written != s.expected) fuzzing::fail("written text differs from the field rules", written);
  return 0;
}
