// The failures the record I/O layer reports: one enumeration, one table of their texts.
#pragma once

#include <cstdint>
#include <string_view>

namespace recordio::detail {

// Every failure the layer can report. The first four are the failures of list-directed
// values, numbered as read_failure numbers them (the status an error exit returns).
enum class error_kind : std::uint8_t {
  none = 0,
  // values of list-directed input (the status an error exit returns: read_failure)
  invalid_number = 1,
  exponent_field = 2,
  bad_repetition_count = 3,
  invalid_integer = 4,
  // the end of the file where a statement has no END exit
  list_end_of_file,
  read_start_end_of_file,
  field_end_of_file,
  // statements and their items
  read_illegal_unit,
  read_unit_not_connected,
  write_illegal_unit,
  write_unit_not_connected,
  read_without_statement,
  write_without_statement,
  item_not_matching,
  no_data_descriptor,
  text_in_input_format,
  character_list_item,
  // formats refused
  format_without_parenthesis,
  format_unclosed,
  format_unterminated_text,
  format_count_too_large,
  format_zero_count,
  format_h_without_count,
  format_h_text_too_long,
  format_groups,
  format_unknown_descriptor,
  format_width_too_large,
  format_missing_width,
  format_missing_digits,
  format_too_many_digits,
  // OPEN
  open_illegal_unit,
  open_null_name,
  open_scratch,
  open_failed,  // system error
  // hand-overs to and from the system (system errors)
  read_failed,
  write_failed,
  truncate_failed,
  close_failed,
};

// The tag and message of a kind. For the kinds whose message is the system's text for an
// error number (open_failed, read_failed, ...) the message is empty and system is true.
struct error_text {
  std::string_view tag;
  std::string_view message;
  bool system = false;
};

// The table entry of `kind`; error_kind::none has an empty tag and message.
error_text describe(error_kind kind) noexcept;

}  // namespace recordio::detail
