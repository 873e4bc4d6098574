// List-directed read statements: integers and reals with separators, null values, slash,
// repeat counts and END statuses.
#pragma once

#include <cstdint>

namespace recordio::detail {

// The item calls of a list-directed read statement in progress (see recordio.h). Return
// 0, or -1 for the END condition of a statement with an END exit. Failures are reported
// with the tags "invalid number", "exponent field", "bad repetition count" (message
// "incomprehensible list input"), "invalid integer" ("read unexpected character") and
// "list in" ("end of file").
int list_read_item(std::int32_t& item);
int list_read_item(float& item);
// Discards the rest of the line. 0, or -1 when the end of the file came while discarding
// (unless the unit's end-of-file flag was set before).
int finish_list_read();

}  // namespace recordio::detail
