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
// A list-directed read with an error exit returns a value it cannot read as a positive
// status instead (a read_failure), so that a caller can report it in its own words.
//
// Nothing here throws. The layer allocates only when a unit is opened and when a record
// (or a format text) longer than any before it is assembled.
//
// Output is buffered per unit and handed to the system in large pieces (at once on a
// terminal and on unit 0; all pending output before the layer waits for input from a pipe
// or terminal). A hand-over the system refuses, such as a full disk, ends the run with the
// error report tagged "write"; a failed cut of a file at its end "truncate"; a failed
// close "close". A run that ends without STOP (return from main, exit) closes all units
// the same way.
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

// Whether a list-directed read statement has an error exit: a value that cannot be read
// ends the statement with a positive status instead of the error report.
enum class error_exit : bool { no = false, yes = true };

// What a list-directed read with an error exit could not read. The status returned is the
// enumerator's value, always positive.
enum class read_failure : int {
  invalid_number = 1,        // text that is not a number where a value starts
  exponent_field = 2,        // an exponent letter or sign without digits, or one too large
  bad_repetition_count = 3,  // a repeat count that is negative, zero, too long or missing
  invalid_integer = 4,       // a decimal point or exponent letter in an integer item
};

// The tag and the message that the error report shows for a failure.
struct failure_text {
  std::string_view tag;      // "invalid number", "exponent field", ...
  std::string_view message;  // "incomprehensible list input" or "read unexpected character"
};
failure_text describe(read_failure failure);

// Connects units 0, 5 and 6 and installs the signal handlers. Call once, first thing in main.
// A standard descriptor closed at start is held by /dev/null, so no file OPEN connects can
// take its place; SIGPIPE is ignored, so a standard output nobody reads is a write failure.
void start_up();

// OPEN: connects `unit` to the file `name` (trailing blanks dropped) with the given status,
// judged by its first letter: "old" (the file must exist) or "unknown" (reused or created,
// never truncated at open). Returns only on success.
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

// The byte offset, from the start of its file, of the next character a read on `unit`
// takes. After a read failure (error exit), until the statement's end call, it lies on the
// line of the value that could not be read, at or after that value's first character and
// before the line's newline.
// -1 for a unit that is not connected or whose file has no position (a pipe or terminal).
// Costs one system call; the reads themselves keep no count.
std::int64_t read_position(int unit);

// --- Read statements -------------------------------------------------------------------

// List-directed read (reals and integers): starts at the line after the one where the
// previous read on the unit ended.
int start_list_read(int unit, end_exit end = end_exit::no);
// The same with an error exit: the item call that meets a value it cannot read returns that
// read_failure's status, and every later item call of the statement returns it again
// without reading. The read position stays where the failure was met (see read_position)
// until the end call, which discards the rest of the line as for any statement. (A
// separate entry, so that statements without the exit do not even pass the flag.)
int start_list_read(int unit, end_exit end, error_exit errors);

// Formatted read with a format of A edit descriptors, such as "(1A80)" or "(A40)".
int start_formatted_read(int unit, std::string_view format, end_exit end = end_exit::no);

// One item of the read statement in progress. An item that the record leaves unread (null
// value, slash, END) keeps its value.
//
// An integer item takes the value truncated toward zero; a value beyond the 32-bit range
// is stored as INT32_MIN or INT32_MAX. A character item read with Aw takes the line's
// characters up to its newline; a last line without newline is read like any other, and
// only a record that does not exist at all (the file has ended) is the END condition, or
// without an END exit the report "fmt" / "end of file".
int read(std::int32_t& item);
int read(float& item);
int read(std::span<char> item);  // character item: Aw fills it, blank-padded

// Ends the read statement in progress: discards the rest of the current line.
int end_read();

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
