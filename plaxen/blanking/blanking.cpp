// The blanking stage: the .bln file, read block by block, applied polygon by polygon.
#include "plaxen/blanking/blanking.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "plaxen/blanking/blank.h"
#include "plaxen/blanking/getfname.h"
#include "plaxen/blanking/polygon_record.h"
#include "plaxen/common/capacities.h"
#include "plaxen/driver/operator_messages.h"
#include "recordio/recordio.h"

namespace plaxen {
namespace {

constexpr int blanking_unit = 10;

// Opens the blanking file on the first call: notice, prompt, OPEN "old".
void open_blanking_file() {
  recordio::start_list_write(recordio::output_unit);
  recordio::write(std::string_view("you should have a blanking file.... "));
  recordio::end_write();
  std::array<char, blanking_name_length> fname{};
  constexpr std::array<char, 4> extension{'.', 'b', 'l', 'n'};
  getfname(fname, extension);
  recordio::open(blanking_unit, std::string_view(fname.data(), fname.size()), "old");
}

// Reads one header record "nv inout" with an END exit. Returns false when the end of the file
// comes first or inside the record; nv and inout then hold whatever was read.
bool read_header(std::int32_t& nv, std::int32_t& inout) {
  return recordio::start_list_read(blanking_unit, recordio::end_exit::yes) == 0 &&
         recordio::read(nv) == 0 && recordio::read(inout) == 0 && recordio::end_read() == 0;
}

// A block announcing more vertices than ins can hold is refused before any is stored.
[[noreturn]] void refuse_polygon(std::int32_t nv) {
  recordio::start_list_write(recordio::output_unit);
  recordio::write("blanking polygon refused, more than " + std::to_string(max_vertices) +
                  " vertices:");
  recordio::write(nv);
  recordio::end_write();
  recordio::stop_with_status(1);
}

// Reads the nv vertex records of a block into ins. An end of file here is no END: the
// record I/O layer reports it and ends the run.
void read_vertices(std::int32_t nv) {
  // Without an END exit the calls return 0, but for the end call's END met while
  // discarding the rest of the line, which these reads ignore.
  for (std::int32_t i = 0; i < nv; ++i) {
    (void)recordio::start_list_read(blanking_unit);
    (void)recordio::read(ins.xv[static_cast<std::size_t>(i)]);
    (void)recordio::read(ins.yv[static_cast<std::size_t>(i)]);
    (void)recordio::end_read();
  }
}

// Whether any text other than blanks follows the last block read: reads the remaining
// records as text (so that nothing after the 50th block can end the run) until one holds
// something or the file ends.
bool more_text_follows() {
  std::array<char, 80> line{};
  while (recordio::start_formatted_read(blanking_unit, "(1A80)", recordio::end_exit::yes) == 0) {
    line.fill(' ');
    const bool read_ok = recordio::read(std::span<char>(line)) == 0;
    const bool ended_ok = read_ok && recordio::end_read() == 0;
    if (std::any_of(line.begin(), line.end(), [](char c) { return c != ' '; })) {
      return true;
    }
    if (!ended_ok) {
      return false;
    }
  }
  return false;
}

// Reads up to max_polygons polygon blocks from unit 10 and applies each in turn.
void apply_polygons(std::span<float> z, std::int32_t nx, std::int32_t ny) {
  // inout keeps its value from block to block when a header leaves it unread (null value).
  std::int32_t inout = 0;
  for (std::int32_t k = 1; k <= max_polygons; ++k) {
    // A header that leaves nv unread keeps the count of the previous polygon.
    std::int32_t nv = ins.nv;
    if (!read_header(nv, inout)) {
      return;  // end of the polygon list; ins keeps the last complete polygon
    }
    if (nv > max_vertices) {
      refuse_polygon(nv);
    }
    ins.nv = nv;
    read_vertices(ins.nv);
    blank(z, nx, ny, ins.xv, ins.yv, ins.nv, inout);
  }
  if (more_text_follows()) {
    warn("blanking file holds more than " + std::to_string(max_polygons) +
         " polygons; the rest is ignored");
  }
}

}  // namespace

void blanking(std::span<float> z, std::int32_t nx, std::int32_t ny) {
  static std::int32_t nn = 0;  // first-call flag
  if (nn == 0) {
    open_blanking_file();
  }
  nn = 1;
  apply_polygons(z, nx, ny);
  if (recordio::holds_bare_carriage_return(blanking_unit)) {
    warn(
        "warning: the blanking file holds carriage returns not followed by a newline; "
        "only a newline ends a record");
  }
}

}  // namespace plaxen
