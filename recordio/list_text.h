// Reading list-directed records of reals from text in memory, by exactly the rules of
// list-directed reads on units, for programs that read a file's text in windows of their
// own (on several threads, or from a pipe) rather than through a unit.
//
// A record is what one statement reads from a unit whose file holds the text:
//   start_list_read(unit, end_exit::yes, error_exit::yes), read(float&) for each item while
//   it returns 0, and end_read() when every item returned 0.
// The values are the same bit for bit, and so are the record boundaries: each record starts
// at the line after the one where the previous record ended, so a file can be cut into
// windows at line starts. Null values, slashes and END leave items unchanged, so items carry
// over from record to record in the caller's array as they do in a program's variables.
//
// The functions here keep no state, allocate nothing and never throw; any number of
// threads may call them at once on their own items.
#pragma once

#include <cstddef>
#include <span>

#include "recordio/recordio.h"

namespace recordio {

// Most real items one record may have.
inline constexpr std::size_t max_text_record_items = 64;

enum class text_outcome {
  record,      // the record was read: its items are stored; `used` bytes were taken
  end,         // the END condition: no more records (a record it cuts short is dropped)
  failure,     // a value that cannot be read: `failure` and `failure_offset` say which, where
  needs_more,  // the record, or the decision about it, reaches the end of a window that is
               // not the end of the file: nothing taken, items unchanged; offer a longer
               // window starting at the same record start
  refused,     // the items are not 1 to max_text_record_items, or the window is no range:
               // nothing read
};

struct text_record {
  text_outcome outcome = text_outcome::refused;
  std::size_t used = 0;  // record: bytes from `begin` to the start of the next record
  read_failure failure = read_failure::invalid_number;  // failure: which
  // failure: the offset from `begin` at which a read of the file stands after the failure,
  // as recordio::read_position gives it for a unit: on the line of the value that could not
  // be read, at or after its first character and before the line's newline.
  std::size_t failure_offset = 0;
};

// Reads one record of items.size() reals from the window [begin, end) of a file's text,
// which starts at the start of a record (the start of the file, or the `used` of the
// previous record added to its begin). `file_ends` says whether `end` is the end of the
// file: then the end rules apply there (a value cut by the end of the file is stored; a
// last line without newline that holds, after the record's last value, other characters
// than blanks and tabs, a comma after it included, makes the record END), else reaching
// `end` gives needs_more.
//
// Items: read as the unit path reads them, each stored or kept. On record they hold the
// record; on end and failure they hold what the unit path leaves in them (the values read
// before); on needs_more and refused they are unchanged.
// Failures (outcome failure): invalid_number, exponent_field and bad_repetition_count.
[[nodiscard]] text_record read_list_record(const char* begin, const char* end, bool file_ends,
                                           std::span<float> items) noexcept;

}  // namespace recordio
