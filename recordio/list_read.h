// List-directed read statements: integers and reals with separators, null values, slash,
// repeat counts and END statuses.
#pragma once

#include <cstdint>
#include <string_view>

#include "recordio/recordio.h"

namespace recordio::detail {

// The item calls of a list-directed read statement in progress (see recordio.h). Return
// 0, -1 for the END condition of a statement with an END exit, or the read_failure of a
// statement with an error exit. Without an error exit failures are reported with the tags
// "invalid number", "exponent field", "bad repetition count" (message "incomprehensible
// list input") and "invalid integer" ("read unexpected character"); without an END exit
// the end of the file with "list in" ("end of file").
int list_read_item(std::int32_t& item);
int list_read_item(float& item);
// Discards the rest of the line. 0, or -1 when the end of the file came while discarding
// (unless the unit's end-of-file flag was set before); after a failure too.
int finish_list_read();

// The failure the number scanner names by its error tag ("invalid number", ...).
read_failure failure_of_tag(std::string_view tag);

}  // namespace recordio::detail
