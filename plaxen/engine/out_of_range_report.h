// The operator's line for a scattered point that falls outside the grid.
#pragma once

#include <cstdint>

namespace plaxen {

// Writes one line on unit 6 with the format "(1X,29Hpoint out of range k,x,y,z = ,I5,3E15.4)":
// a blank, the text, k (the point's 1-based index) in five columns, then x, y and z in E15.4.
// Returns after the line is handed to the record I/O layer; a failed write ends the run there.
void report_out_of_range(std::int32_t k, float x, float y, float z);

}  // namespace plaxen
