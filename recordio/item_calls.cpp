// The item and end calls, passed to the statement kind in progress.
#include "recordio/error_report.h"
#include "recordio/formatted_read.h"
#include "recordio/formatted_write.h"
#include "recordio/list_read.h"
#include "recordio/list_write.h"
#include "recordio/recordio.h"
#include "recordio/statement.h"

namespace recordio {
namespace {

using detail::statement_kind;
using detail::the_statement;

// An item of a type the read statement in progress cannot take, or no read statement.
[[noreturn]] void unreadable_item() {
  if (the_statement.kind == statement_kind::formatted_read)
    detail::raise_error(detail::error_kind::item_not_matching);
  if (the_statement.kind == statement_kind::list_read)
    detail::raise_error(detail::error_kind::character_list_item);
  detail::item_without_statement(true);
}

}  // namespace

int read(std::int32_t& item) {
  if (the_statement.kind != statement_kind::list_read) unreadable_item();
  return detail::list_read_item(item);
}

int detail::read_general(float& item) {
  if (the_statement.kind != statement_kind::list_read) unreadable_item();
  return detail::list_read_item(item);
}

int read(std::span<char> item) {
  if (the_statement.kind != statement_kind::formatted_read) unreadable_item();
  return detail::formatted_read_item(item);
}

int detail::end_read_general() {
  if (the_statement.kind == statement_kind::list_read) return detail::finish_list_read();
  if (the_statement.kind == statement_kind::formatted_read) return detail::finish_formatted_read();
  detail::item_without_statement(true);
}

template <class Item>
static void write_item(Item item) {
  if (the_statement.kind == statement_kind::list_write) return detail::list_write_item(item);
  if (the_statement.kind == statement_kind::formatted_write)
    return detail::formatted_write_item(item);
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
  if (the_statement.kind == statement_kind::list_write) {
    detail::finish_list_write();
  } else if (the_statement.kind == statement_kind::formatted_write) {
    detail::finish_formatted_write();
  } else {
    detail::item_without_statement(false);
  }
  detail::finish_statement();
}

}  // namespace recordio
