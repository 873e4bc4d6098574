// Formatted read statements with A edit descriptors, such as "(1A80)" and "(A40)".
#pragma once

#include <span>

namespace recordio::detail {

// The item call of a formatted read in progress: the Aw field takes the next w characters
// of the line, blank-filled when the line ends first; the read never passes the newline.
// When the end of the file comes before the field is complete (no record at all, or a last
// line without newline that is shorter than the field) it is the END condition: -1 with an
// END exit, else the report "fmt" / "end of file". Returns 0 otherwise.
int formatted_read_item(std::span<char> item);
// Discards the rest of the line and its newline. Returns 0.
int finish_formatted_read();

}  // namespace recordio::detail
