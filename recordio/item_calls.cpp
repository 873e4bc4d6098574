// The item and end calls, passed to the statement kind in progress.
#include "recordio/error_report.h"
#include "recordio/formatted_read.h"
#include "recordio/formatted_write.h"
#include "recordio/list_read.h"
#include "recordio/list_write.h"
#include "recordio/recordio.h"
#include "recordio/statement_start.h"

namespace recordio {
namespace {

using detail::statement_kind;

statement_kind kind() {
  return detail::current_statement().kind;
}

}  // namespace

int read(std::int32_t& item) {
  if (kind() == statement_kind::list_read) return detail::list_read_item(item);
  if (kind() == statement_kind::formatted_read)
    detail::raise_error("fmt", "item does not match its edit descriptor");
  detail::item_without_statement(true);
}

int read(float& item) {
  if (kind() == statement_kind::list_read) return detail::list_read_item(item);
  if (kind() == statement_kind::formatted_read)
    detail::raise_error("fmt", "item does not match its edit descriptor");
  detail::item_without_statement(true);
}

int read(std::span<char> item) {
  if (kind() == statement_kind::formatted_read) return detail::formatted_read_item(item);
  if (kind() == statement_kind::list_read)
    detail::raise_error("list in", "character items are not read list-directed");
  detail::item_without_statement(true);
}

int end_read() {
  if (kind() == statement_kind::list_read) return detail::finish_list_read();
  if (kind() == statement_kind::formatted_read) return detail::finish_formatted_read();
  detail::item_without_statement(true);
}

template <class Item>
static void write_item(Item item) {
  if (kind() == statement_kind::list_write) return detail::list_write_item(item);
  if (kind() == statement_kind::formatted_write) return detail::formatted_write_item(item);
  detail::item_without_statement(false);
}

void write(std::int32_t item) {
  write_item(item);
}
void write(float item) {
  write_item(item);
}
void write(std::string_view item) {
  write_item(item);
}

void end_write() {
  if (kind() == statement_kind::list_write) {
    detail::finish_list_write();
  } else if (kind() == statement_kind::formatted_write) {
    detail::finish_formatted_write();
  } else {
    detail::item_without_statement(false);
  }
  detail::end_statement();
}

}  // namespace recordio
