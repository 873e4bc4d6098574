// A fast scan over the plain lines of a list-directed data file in memory: records of real
// constants in short plain forms, one per line, which it reads exactly as read_list_record
// does; at the first other line it stops and leaves that line to read_list_record.
#pragma once

#include <cstddef>
#include <span>

namespace recordio {

// Most picks one scan may store.
inline constexpr std::size_t max_plain_picks = 3;

// An item of each record to store: item `item` (1 for the first) goes to values[k] for the
// k-th record of the scan. `values` has room for the scan's capacity.
struct plain_pick {
  int item = 1;
  float* values = nullptr;
};

struct plain_scan {
  std::size_t used = 0;      // bytes from `begin` to the start of the line it stopped before
  std::size_t records = 0;   // records stored: values[0, records) of every pick
  std::size_t newlines = 0;  // newlines in the `used` bytes (records and blank lines)
};

// Scans consecutive lines of the window [begin, end), which starts at the start of a record
// (and of a line), while each is complete in the window (its newline before `end`) and is
//   - blank: only blanks and tabs, or
//   - plain: `count` real constants, each an optional sign, digits and an optional point
//     and digits, at most 7 digits on each side of the point, or another form that
//     fast_float reads exactly as the rules do (an e or E exponent, up to 40 characters;
//     not zero), between them blanks or tabs and at most one comma; the count-th followed
//     by a character that cannot continue it, after which the rest of the line is ignored;
// and stores the picked items of each plain line as one record, until `capacity` records.
// Every record stored is the record read_list_record(begin + offset, ..., items of `count`)
// reads there, bit for bit; blank lines are the gaps it skips. The scan stops before the
// first line that is neither, or that the window cuts, and the caller reads on from `used`
// with read_list_record.
//
// Requires 1 <= count <= 64, at most max_plain_picks picks with items in 1..count and
// non-null values; otherwise, and for a window that is no range, it scans nothing.
// Keeps no state, allocates nothing, never throws; safe on several threads at once.
[[nodiscard]] plain_scan scan_plain_records(const char* begin, const char* end, int count,
                                            std::span<const plain_pick> picks,
                                            std::size_t capacity) noexcept;

}  // namespace recordio
