// The record I/O layer: units, OPEN, STOP and the four kinds of data-transfer statement.
//
// Every text transfer of plaxen is one statement: a start call naming the unit (and the
// format, for formatted statements), one call per data item in order, and an end call.
// The layer keeps the state of the one statement in progress; statements never nest.
//
// Failures: every failure that is not an END condition writes the four-line error report
// on standard error, closes all units (cutting files last written at their position) and
// ends the process through abort(). Such calls never return to the caller. Calls of read
// statements return a status: 0 when the step succeeded, nonzero (-1) for the END
// condition. Callers whose statement has an END exit test the status of the start call,
// of every item and of the end call, and leave their read loop on the first nonzero one.
// Every status is [[nodiscard]]: a read without an END exit that ignores its statuses says
// so with a cast to void (its calls return 0, but for the end call of a list-directed read
// that meets the end of the file while discarding the rest of its line).
// A list-directed read with an error exit returns a value it cannot read, and a read the
// system refuses, as a positive status instead (a read_failure), so that a caller can
// report it in its own words.
//
// Nothing here throws. The layer allocates only when a unit is opened and when a record
// (or a format text) longer than any before it is assembled.
//
// Output is buffered per unit and handed to the system in large pieces (at once on a
// terminal and on unit 0; all pending output before the layer waits for input from a pipe
// or terminal). A hand-over the system refuses, such as a full disk, ends the run with the
// error report tagged "write"; a failed cut of a file at its end "truncate"; a failed
// close "close". Standard error (unit 0) is the exception: it takes the program's warnings,
// which are best effort, so what the system refuses there is dropped and the run goes on. A run
// that ends without STOP (return from main, exit) closes all units the same way.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace recordio {

// Units connected at start-up.
inline constexpr int error_unit = 0;
inline constexpr int input_unit = 5;
inline constexpr int output_unit = 6;
// Units 0 to 99 exist.
inline constexpr int unit_count = 100;

// Whether a read statement has an END exit.
enum class end_exit : bool { no = false, yes = true };

// Whether a list-directed read statement has an error exit: a value that cannot be read,
// or a read of the file that the system refuses, ends the statement with a positive status
// instead of the error report.
enum class error_exit : bool { no = false, yes = true };

// What a list-directed read with an error exit could not read. The status returned is the
// enumerator's value, always positive.
enum class read_failure : int {
  invalid_number = 1,        // text that is not a number where a value starts
  exponent_field = 2,        // an exponent letter or sign without digits, or one too large
  bad_repetition_count = 3,  // a repeat count that is negative, zero, too long or missing
  invalid_integer = 4,       // a decimal point or exponent letter in an integer item
  read_error = 5,            // the system refused to read the file (read_error_text)
};

// The tag and the message that the error report shows for a failure. For read_error the
// tag is "read" and the message is empty: the report shows the system's text for the
// error, which read_error_text gives.
struct failure_text {
  std::string_view tag;      // "invalid number", "exponent field", ..., "read"
  std::string_view message;  // "incomprehensible list input" or "read unexpected character"
};
[[nodiscard]] failure_text describe(read_failure failure);

// The system's text for the error of the last read on `unit` that it refused in a
// statement with an error exit (read_failure::read_error), such as "Input/output error";
// empty when there was none since the unit was connected, or for a unit outside 0..99.
// The text is the C library's (strerror): valid until the next strerror call.
[[nodiscard]] std::string_view read_error_text(int unit);

// Connects units 0, 5 and 6 and installs the signal handlers. Call once, first thing in main.
// A standard descriptor closed at start is held by /dev/null, so no file OPEN connects can
// take its place; SIGPIPE is ignored, so a standard output nobody reads is a write failure,
// and SIGXFSZ, so a write beyond a file-size limit is one too.
void start_up();

// OPEN: connects `unit` to the file `name` (trailing blanks dropped) with the given status,
// judged by its first letter: "old" (the file must exist) or "unknown" (reused or created,
// never truncated at open). A regular file is opened for reading and writing where it
// permits; any other file (pipe, FIFO, device) in one direction only: "old" for reading,
// "unknown" for writing, so that a FIFO waits for its other end. Returns only on success.
void open(int unit, std::string_view name, std::string_view status);

// STOP with no text: closes all units as at the end of the run and exits with status 0.
[[noreturn]] void stop();

// Ends the run after closing all units exactly as STOP does, but with the given exit status.
// For refusals the program decides itself (a refused job must not report success).
[[noreturn]] void stop_with_status(int status);

// CLOSE: ends the connection of `unit` as the end of the run does (pending output written,
// a named file last written cut at its position); units 0, 5 and 6 are only flushed.
// Failures produce the error report ("write", "truncate" or "close"). A closed unit can be
// connected again by OPEN.
void close(int unit);

// Produces the error report with the given tag and message for the unit of the statement in
// progress (or the one last used), closes all units and aborts. For I/O failures that the
// program detects around the layer.
[[noreturn]] void fail(std::string_view tag, std::string_view message);

// Whether anything but blanks, tabs and line ends remains to be read on `unit` from its
// current position. Skips (consumes) those blank characters; meant for a unit that is not
// read again, such as a data file whose reading stopped at a capacity. False for a unit that
// is not connected or is at its end. A read error ends the run with the error report.
bool has_more_data(int unit);

// Whether the input read from `unit` so far (the chunks read ahead included) held a
// carriage return that no newline follows, at the end of the file included (one that ends
// the input read so far counts once the byte after it has been read). Such a character
// ends no record: records end at newlines only. False for a unit not connected.
bool holds_bare_carriage_return(int unit);

// Whether `name` (trailing blanks dropped, as OPEN takes it) names the file connected to
// `unit`: the same device and inode, so links and other spellings of the path count. False
// when the unit is not connected or `name` names no existing file.
bool names_connected_file(int unit, std::string_view name);

// The byte offset, from the start of its file, of the next character a read on `unit`
// takes. After a read failure (error exit) it lies on the line of the value that could not
// be read, at or after that value's first character and before the line's newline.
// -1 for a unit that is not connected or whose file has no position (a pipe or terminal).
// Costs one system call; the reads themselves keep no count.
std::int64_t read_position(int unit);

// --- Read statements -------------------------------------------------------------------

// List-directed read (reals and integers): starts at the line after the one where the
// previous read on the unit ended. With an error exit, the item call that meets a value it
// cannot read, or whose read of the file the system refuses, returns that read_failure's
// status, every later item call of the statement returns it again without reading, and the
// end call returns it too and leaves the read position where the failure was met (it
// discards nothing). A refused read in the end call's discarding returns read_error too.
[[nodiscard]] inline int start_list_read(int unit, end_exit end = end_exit::no,
                                         error_exit errors = error_exit::no);

// Formatted read with a format of A edit descriptors, such as "(1A80)" or "(A40)".
[[nodiscard]] int start_formatted_read(int unit, std::string_view format,
                                       end_exit end = end_exit::no);

// One item of the read statement in progress. An item that the record leaves unread (null
// value, slash, END) keeps its value.
//
// An integer item takes the value truncated toward zero; a value beyond the 32-bit range
// is stored as INT32_MIN or INT32_MAX. A character item read with Aw takes the line's
// characters up to its newline. When the end of the file comes before the field is
// complete (its w characters, or the newline, not reached: a last line without newline
// shorter than the field, or no record at all) it is the END condition, or without an END
// exit the report "fmt" / "end of file"; with an END exit a cut field holds the characters
// before the end, blank-padded, and a missing record leaves the item as it was.
[[nodiscard]] int read(std::int32_t& item);
[[nodiscard]] inline int read(float& item);
[[nodiscard]] int read(std::span<char> item);  // character item: Aw fills it, blank-padded

// Ends the read statement in progress: discards the rest of the current line.
[[nodiscard]] inline int end_read();

// --- Write statements ------------------------------------------------------------------

// List-directed write: the statement writes one record (more past column 80).
void start_list_write(int unit);

// Formatted write with the given format, for example "(3000e15.7,x)".
void start_formatted_write(int unit, std::string_view format);

// One item of the write statement in progress.
void write(std::int32_t item);
void write(float item);
void write(std::string_view item);

// Ends the write statement in progress: produces the text that stands between the last item
// and the next data edit descriptor, ends the record and hands it to the stream.
void end_write();

}  // namespace recordio

// The common case of list-directed reads is inline: start_list_read, read(float&) and
// end_read are defined there.
#include "recordio/list_read_inline.h"
