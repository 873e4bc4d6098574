// Formatted write statements: items placed by a format's edit descriptors.
#include "recordio/formatted_write.h"

#include "recordio/edit_output.h"
#include "recordio/error_report.h"
#include "recordio/format_parser.h"
#include "recordio/output_record.h"
#include "recordio/recordio.h"
#include "recordio/statement_start.h"

namespace recordio {
namespace detail {
namespace {

// The format of the statement in progress.
cached_format& current_format() {
  static cached_format f;
  return f;
}

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
  output_record& r = current_output();
  record_sink sink{r};
  const edit_descriptor* d = current_format().cursor.next_data(sink);
  if (d == nullptr) raise_error("fmt", "no data edit descriptor in format");
  if (d->letter != want) raise_error("fmt", "item does not match its edit descriptor");
  settle_skip(r);
  return *d;
}

}  // namespace

void formatted_write_item(std::int32_t item) {
  const edit_descriptor& d = next_descriptor('I');
  put_integer_field(current_output().text, item, d.width);
}

void formatted_write_item(float item) {
  const edit_descriptor& d = next_descriptor('E');
  put_real_field(current_output().text, item, d.width, d.digits);
}

void formatted_write_item(std::string_view item) {
  const edit_descriptor& d = next_descriptor('A');
  put_character_field(current_output().text, item, d.width);
}

void finish_formatted_write() {
  output_record& r = current_output();
  record_sink sink{r};
  current_format().cursor.finish(sink);
  end_record();
}

}  // namespace detail

void start_formatted_write(int unit, std::string_view format) {
  using namespace detail;
  detail::unit& u = start_statement(statement_kind::formatted_write, unit, format);
  if (const char* why = current_format().start(format)) raise_error("fmt", why);
  begin_record(u);
}

}  // namespace recordio
