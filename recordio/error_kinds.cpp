// The table of every failure the record I/O layer reports: its tag and its message.
#include "recordio/error_kind.h"
#include "recordio/recordio.h"

namespace recordio {
namespace detail {
namespace {

using k = error_kind;

struct error_entry {
  error_kind kind;
  error_text text;
};

constexpr std::string_view incomprehensible = "incomprehensible list input";
constexpr std::string_view end_of_file = "end of file";

constexpr error_entry table[] = {
    {k::none, {"", ""}},
    {k::invalid_number, {"invalid number", incomprehensible}},
    {k::exponent_field, {"exponent field", incomprehensible}},
    {k::bad_repetition_count, {"bad repetition count", incomprehensible}},
    {k::invalid_integer, {"invalid integer", "read unexpected character"}},
    {k::list_end_of_file, {"list in", end_of_file}},
    {k::read_start_end_of_file, {"read start", end_of_file}},
    {k::field_end_of_file, {"fmt", end_of_file}},
    {k::read_illegal_unit, {"read start", "illegal unit number"}},
    {k::read_unit_not_connected, {"read start", "unit not connected"}},
    {k::write_illegal_unit, {"write start", "illegal unit number"}},
    {k::write_unit_not_connected, {"write start", "unit not connected"}},
    {k::read_without_statement, {"read", "no statement in progress"}},
    {k::write_without_statement, {"write", "no statement in progress"}},
    {k::item_not_matching, {"fmt", "item does not match its edit descriptor"}},
    {k::no_data_descriptor, {"fmt", "no data edit descriptor in format"}},
    {k::text_in_input_format, {"fmt", "text edit descriptor in an input format"}},
    {k::character_list_item, {"list in", "character items are not read list-directed"}},
    {k::format_without_parenthesis, {"fmt", "format does not start with a parenthesis"}},
    {k::format_unclosed, {"fmt", "format ends without its closing parenthesis"}},
    {k::format_unterminated_text, {"fmt", "unterminated text in format"}},
    {k::format_count_too_large, {"fmt", "count too large in format"}},
    {k::format_zero_count, {"fmt", "zero count in format"}},
    {k::format_h_without_count, {"fmt", "H edit descriptor without a count"}},
    {k::format_h_text_too_long, {"fmt", "H text runs past the end of the format"}},
    {k::format_groups, {"fmt", "groups in parentheses are not supported in formats"}},
    {k::format_unknown_descriptor, {"fmt", "unknown edit descriptor in format"}},
    {k::format_width_too_large, {"fmt", "field width too large in format"}},
    {k::format_missing_width, {"fmt", "missing field width in format"}},
    {k::format_missing_digits, {"fmt", "missing digits in E edit descriptor"}},
    {k::format_too_many_digits, {"fmt", "too many digits in E edit descriptor"}},
    {k::open_illegal_unit, {"open", "illegal unit number"}},
    {k::open_null_name, {"open", "null file name"}},
    {k::open_scratch, {"open", "scratch files are not supported"}},
    {k::open_failed, {"open", "", true}},
    {k::read_failed, {"read", "", true}},
    {k::write_failed, {"write", "", true}},
    {k::truncate_failed, {"truncate", "", true}},
    {k::close_failed, {"close", "", true}},
};

// The table is indexed by the kind's value: every kind has its row, in order.
constexpr bool rows_in_order() {
  for (std::size_t i = 0; i < std::size(table); ++i)
    if (static_cast<std::size_t>(table[i].kind) != i) return false;
  return static_cast<std::size_t>(k::close_failed) + 1 == std::size(table);
}
static_assert(rows_in_order());
// The status of a value failure under an error exit is its kind's number.
static_assert(int(read_failure::invalid_number) == int(k::invalid_number) &&
              int(read_failure::exponent_field) == int(k::exponent_field) &&
              int(read_failure::bad_repetition_count) == int(k::bad_repetition_count) &&
              int(read_failure::invalid_integer) == int(k::invalid_integer));

}  // namespace

error_text describe(error_kind kind) noexcept {
  const auto row = static_cast<std::size_t>(kind);
  return row < std::size(table) ? table[row].text : table[0].text;
}

}  // namespace detail

failure_text describe(read_failure failure) {
  if (failure == read_failure::read_error)
    return {detail::describe(detail::error_kind::read_failed).tag, ""};
  // A value outside the enumeration reads as the first failure.
  const int value = static_cast<int>(failure);
  const auto kind = value >= 1 && value <= 4 ? static_cast<detail::error_kind>(value)
                                             : detail::error_kind::invalid_number;
  const detail::error_text text = detail::describe(kind);
  return {text.tag, text.message};
}

}  // namespace recordio
