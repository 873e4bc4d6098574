// List-directed write statements: integers and character items in 80-column records.
#pragma once

#include <cstdint>
#include <string_view>

namespace recordio::detail {

// Columns of a list-directed record: an item that would reach this column starts a new
// record, unless the record is still empty.
inline constexpr std::size_t list_record_columns = 80;

// The item calls of a list-directed write statement in progress (see recordio.h).
// An integer: one blank, "-" when negative, its digits. A character item: all its
// characters, after one blank only when it is the first thing in the record. A real: one
// blank and its E15.7 field.
void list_write_item(std::int32_t item);
void list_write_item(float item);
void list_write_item(std::string_view item);
void finish_list_write();

}  // namespace recordio::detail
