// Formatted write statements: items placed by a format's edit descriptors.
#pragma once

#include <cstdint>
#include <string_view>

namespace recordio::detail {

// The item calls of a formatted write statement in progress (see recordio.h). An item
// whose type does not suit its edit descriptor (I: integer, E: real, A: character) and a
// format without a data edit descriptor are reported with the tag "fmt".
void formatted_write_item(std::int32_t item);
void formatted_write_item(float item);
void formatted_write_item(std::string_view item);
void finish_formatted_write();

}  // namespace recordio::detail
