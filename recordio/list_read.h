// List-directed read statements: integers and reals with separators, null values, slash,
// repeat counts and END statuses.
#pragma once

#include <cstdint>

#include "recordio/recordio.h"  // with the inline part of list-directed reads
#include "recordio/statement.h"

namespace recordio::detail {

// The item calls of a list-directed read statement in progress (see recordio.h), on the
// exact general path (the rules of list_items.h over the unit's chunks). Return 0, -1 for
// the END condition of a statement with an END exit, or the read_failure of a statement
// with an error exit (read_error: a read the system refused, its error number kept in the
// unit). Without an error exit failures are
// reported with the tags "invalid number", "exponent field", "bad repetition count"
// (message "incomprehensible list input") and "invalid integer" ("read unexpected
// character"); without an END exit the end of the file with "list in" ("end of file").
int list_read_item(std::int32_t& item);
int list_read_item(float& item);

// Ends the statement: discards the rest of the line. 0, or -1 when the end of the file came
// while discarding (unless the unit's end-of-file flag was set before). After a failure it
// discards nothing and returns the failure's status; a read refused while discarding
// returns read_error under an error exit.
int finish_list_read();

}  // namespace recordio::detail
