// The driver's own refusals and warnings, beside the messages of the record I/O layer.
#pragma once

#include <string_view>

namespace plaxen {

// Writes `line` on standard output as one list-directed record and ends the run with exit
// status 1 after closing all units: a refused job never reports success.
[[noreturn]] void refuse_job(std::string_view line);

// Writes `line` on standard error as one list-directed record; the run goes on.
void warn(std::string_view line);

}  // namespace plaxen
