// Formatted write statements: items placed by a format's edit descriptors.
#include "recordio/formatted_write.h"

#include "recordio/edit_output.h"
#include "recordio/error_report.h"
#include "recordio/format_parser.h"
#include "recordio/recordio.h"
#include "recordio/statement.h"

namespace recordio {
namespace detail {
namespace {

// Receives the control descriptors met between items.
struct record_sink {
  output_record& r;
  void text(std::string_view t) {
    settle_skip(r);
    r.text.append(t);
  }
  void skip(int n) { r.pending_skip += n; }
  void slash() { end_record(); }
  void revert() { end_record(); }
};

// The edit descriptor for the next item, which must be of letter `want`.
const edit_descriptor& next_descriptor(char want) {
  output_record& r = the_statement.out;
  record_sink sink{r};
  const edit_descriptor* d = the_statement.write_format.cursor.next_data(sink);
  if (d == nullptr) raise_error(error_kind::no_data_descriptor);
  if (d->letter != want) raise_error(error_kind::item_not_matching);
  settle_skip(r);
  return *d;
}

}  // namespace

void formatted_write_item(std::int32_t item) {
  const edit_descriptor& d = next_descriptor('I');
  put_integer_field(the_statement.out.text, item, d.width);
}

void formatted_write_item(float item) {
  const edit_descriptor& d = next_descriptor('E');
  put_real_field(the_statement.out.text, item, d.width, d.digits);
}

void formatted_write_item(std::string_view item) {
  const edit_descriptor& d = next_descriptor('A');
  put_character_field(the_statement.out.text, item, d.width);
}

void finish_formatted_write() {
  record_sink sink{the_statement.out};
  the_statement.write_format.cursor.finish(sink);
  end_record();
}

}  // namespace detail

void start_formatted_write(int unit, std::string_view format) {
  detail::start_statement(detail::statement_kind::formatted_write, unit, format);
}

}  // namespace recordio
