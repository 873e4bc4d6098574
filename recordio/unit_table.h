// The table of units 0 to 99: each unit's file descriptor, stored name, flags and buffer.
#pragma once

#include <cstddef>
#include <string>

#include "recordio/error_kind.h"

namespace recordio::detail {

// One buffer per connected unit, used for whichever direction the unit is in: input read
// ahead in large chunks, or output records waiting to be handed to the kernel.
inline constexpr std::size_t unit_buffer_size = std::size_t{1} << 20;

// A connected unit. The fields read by the signal handlers (fd, buf, head, tail, flags) are
// only changed with the asynchronous signals blocked, or so that a handler sees whole records.
struct unit {
  int fd = -1;               // -1: not connected
  bool named = false;        // connected by OPEN: closed (and cut) at the end of the run
  bool regular = false;      // a regular file: can be repositioned and cut
  bool interactive = false;  // a terminal: every record is handed over at once
  bool eof = false;          // end-of-file flag: set when a read meets the end, stays set
  bool last_write = false;   // the last transfer on the unit was a write
  bool best_effort = false;  // output refused by the system is dropped, not reported (unit 0)
  bool cr_last = false;      // the last chunk read ended in a carriage return
  bool lone_cr = false;      // the input read held a carriage return that no newline follows
  int read_error = 0;        // system error number of the last read refused under an error exit
  std::string name;          // the file name as stored at OPEN; empty for 0, 5 and 6
  char* buf = nullptr;       // unit_buffer_size bytes, allocated when connected
  // Reading: the unread input is buf[head, tail). Writing: buf[head, tail) is output not
  // yet handed to the kernel.
  std::size_t head = 0;
  std::size_t tail = 0;
};

// A step that the system refused: which step (read_failed, write_failed, truncate_failed or
// close_failed) and the system error number. The unit table reports nothing itself; the
// statement layer turns a failure into the error report. kind none: the step succeeded.
struct unit_failure {
  error_kind kind = error_kind::none;
  int error_number = 0;
  explicit operator bool() const noexcept { return kind != error_kind::none; }
};

// Units 0 to 99 (recordio::unit_count).
inline constexpr int unit_table_size = 100;
extern unit units[unit_table_size];

// The unit numbered `number`, or nullptr when `number` lies outside 0..99.
inline unit* find_unit(int number) noexcept {
  return number >= 0 && number < unit_table_size ? &units[number] : nullptr;
}

// Connects `number` to the open descriptor `fd`. `name` is stored as the unit's name;
// `named` says whether the unit is closed and cut at the end of the run. A unit that is
// connected already is closed first (its failure is returned, and the unit is then left as
// it was). Allocates the unit's buffer once. Unit 0 takes only warnings through statements
// (the error report is written past it): its output is best effort, so a warning the
// system refuses is dropped and the run goes on.
[[nodiscard]] unit_failure connect_unit(int number, int fd, std::string name, bool named);

// Stores `name` as the unit's name ahead of an OPEN, so that a failing OPEN reports it.
void store_unit_name(int number, std::string name);

// Turns the unit to reading: pending output is handed over first (write_failed).
[[nodiscard]] unit_failure begin_reading(unit& u) noexcept;

// Turns the unit to writing: input read ahead is given back to the file where it can be.
void begin_writing(unit& u) noexcept;

// Takes in the next chunk of input, once all of buf[head, tail) has been used: the chunk
// is read into buf[0, tail) with one read call. This is the one place through which every
// byte of input of every unit arrives. A chunk of 0 bytes is the end of the file: it sets
// the unit's end-of-file flag, and once that is set nothing more is read. Failures:
// read_failed; write_failed when, before waiting on a pipe or terminal, the pending output
// of all units is handed over (so that the operator sees every message before typing the
// answer). Each chunk is scanned once (memchr) for a carriage return that no newline
// follows.
[[nodiscard]] unit_failure refill(unit& u) noexcept;

// Appends one record and its newline to the unit's output. The record is handed to the
// kernel in one piece when the buffer is full, at once on a terminal or on unit 0, and at
// the latest when the unit is closed. Failure: write_failed (never on unit 0, whose
// refused output is dropped).
[[nodiscard]] unit_failure put_record(unit& u, const char* data, std::size_t size) noexcept;

// Hands all pending output of every unit to the kernel; the first failure is returned.
[[nodiscard]] unit_failure flush_all_units() noexcept;

// Whether closing stops at a failure and returns it (normal end of run) or passes over
// failures and does every step (while an error report or a signal is ending the run).
enum class close_mode { report, quiet };

// Closes one unit: hands over its pending output, cuts a named file last written at its
// position and closes it. Units 0, 5 and 6 are flushed but their descriptors stay open.
// Failures (report mode only, never for the output of unit 0): write_failed,
// truncate_failed or close_failed; the steps after a failure are left to a later close.
// Uses only async-signal-safe calls.
unit_failure close_unit(int number, close_mode mode) noexcept;

// Closes units 0 to 99 in order, as at the end of the run, passing over failures.
// Uses only async-signal-safe calls.
void close_all_units(close_mode mode) noexcept;

}  // namespace recordio::detail
