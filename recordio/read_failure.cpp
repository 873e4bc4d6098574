// The failures of list-directed input: one table of their tags and messages.
#include <array>

#include "recordio/list_read.h"
#include "recordio/recordio.h"

namespace recordio {
namespace {

struct failure_entry {
  read_failure failure;
  failure_text text;
};

constexpr std::array<failure_entry, 4> failures = {{
    {read_failure::invalid_number, {"invalid number", "incomprehensible list input"}},
    {read_failure::exponent_field, {"exponent field", "incomprehensible list input"}},
    {read_failure::bad_repetition_count, {"bad repetition count", "incomprehensible list input"}},
    {read_failure::invalid_integer, {"invalid integer", "read unexpected character"}},
}};

}  // namespace

failure_text describe(read_failure failure) {
  for (const failure_entry& entry : failures)
    if (entry.failure == failure) return entry.text;
  return failures[0].text;
}

namespace detail {

read_failure failure_of_tag(std::string_view tag) {
  for (const failure_entry& entry : failures)
    if (entry.text.tag == tag) return entry.failure;
  return read_failure::invalid_number;
}

}  // namespace detail
}  // namespace recordio
