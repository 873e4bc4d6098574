// The operator's answer to the file-name prompt, completed with a default extension.
#pragma once

#include <span>

#include "plaxen/common/capacities.h"

namespace plaxen {

// Sets fname to the name of an input file given by the operator, blank-padded to
// blanking_name_length characters. The first call writes the prompt
//   " enter name of file ... default extent = " ext ":  "
// on unit 6 and reads one record of up to blanking_name_length characters from unit 5 as the reply;
// later calls prompt and read nothing and work on the reply kept from the first call.
//
// The reply up to its first full stop or blank decides: a full stop first takes the whole
// reply as typed; a blank first at position i (one-based) takes the i-1 characters before it
// followed by ext, and drops the rest. A reply with neither among its characters, or whose
// first blank stands in its last three positions (no room for the extension), is refused: two
// lines " filename too long: " fname and " process stopped in             subroutine
// getfname" on unit 6, then the run ends with exit status 1. End of input on unit 5 ends the
// run with the record I/O layer's report.
//
// Retained state: the first-call flag and the reply. Never allocates.
void getfname(std::span<char, blanking_name_length> fname, std::span<const char, 4> ext);

}  // namespace plaxen
