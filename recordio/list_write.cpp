// List-directed write statements: integers and character items in 80-column records.
#include "recordio/list_write.h"

#include <charconv>

#include "recordio/edit_output.h"
#include "recordio/recordio.h"
#include "recordio/statement.h"

namespace recordio {
namespace detail {
namespace {

// Ends the record first when an item of `length` characters would reach column 80.
void make_room(std::size_t length) {
  const output_record& r = the_statement.out;
  if (!r.text.empty() && r.text.size() + length >= list_record_columns) end_record();
}

}  // namespace

void list_write_item(std::int32_t item) {
  char digits[16];
  const auto magnitude = item < 0 ? -static_cast<std::int64_t>(item) : item;
  const char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
  const auto count = static_cast<std::size_t>(end - digits);
  make_room(count);
  std::string& text = the_statement.out.text;
  text.push_back(' ');
  if (item < 0) text.push_back('-');
  text.append(digits, count);
}

void list_write_item(float item) {
  constexpr int width = 15;  // E15.7, after one blank
  make_room(width + 1);
  std::string& text = the_statement.out.text;
  text.push_back(' ');
  put_real_field(text, item, width, 7);
}

void list_write_item(std::string_view item) {
  make_room(item.size());
  std::string& text = the_statement.out.text;
  if (text.empty()) text.push_back(' ');
  text.append(item);
}

void finish_list_write() {
  end_record();
}

}  // namespace detail

void start_list_write(int unit) {
  detail::start_statement(detail::statement_kind::list_write, unit);
}

}  // namespace recordio
