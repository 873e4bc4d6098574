// The blanking stage: reads the polygons of a .bln file and masks the grid with each.
#pragma once

#include <cstdint>
#include <span>

namespace plaxen {

// Masks the grid z of nx by ny nodes (layout and node positions as for blank, geometry from
// the global zmask) with the polygons of the operator's blanking file.
//
// The first call of the run writes the notice "you should have a blanking file.... " on
// unit 6, asks for the file name with getfname (default extension ".bln") and opens it on
// unit 10 with status "old". Every call then reads up to max_polygons blocks from unit 10 --
// a header record "nv inout", then nv records "x y" -- into the global record ins and hands
// each to blank. A block with nv of 0 or less has no vertex records.
//
// The polygon list ends at the end of the file where a header would begin, or inside a
// header. Failures end the run: a missing file, an unreadable value or an end of file among
// the vertex records with the record I/O layer's report; a block announcing more than
// max_vertices vertices with one line on unit 6 and exit status 1, before any of its vertices is
// read. When more text follows the last block it reads, one warning line goes to unit 0 and the
// rest of the file is ignored; when the file holds a carriage return that no newline follows (which
// ends no record), another.
//
// Retained state: the first-call flag; unit 10 stays open and positioned after what was read.
void blanking(std::span<float> z, std::int32_t nx, std::int32_t ny);

}  // namespace plaxen
