// Where a list-directed read stands between its items: the state the item rules carry from
// one item to the next, whatever the text comes from (a unit or text in memory).
#pragma once

#include <cstdint>

namespace recordio::detail {

struct list_scan {
  // 0 while items are read; -1 once the END condition was met; the read_failure of a value
  // that could not be read; or the status with which the text source stopped the statement
  // (a read the system refused, text in memory that needs a longer window). Further items
  // return it without reading.
  int stop_status = 0;
  bool finished = false;     // a slash ended the statement: further items keep their values
  bool repeat_null = false;  // the pending repetition is of null values
  bool repeat_not_integer = false;
  std::uint64_t repeat_left = 0;  // items still to take the repeated constant (or null)
  double repeat_number = 0;

  // Whether the next item is read from the text: nothing ended the statement and no
  // repetition is pending.
  bool reads_text() const noexcept { return stop_status == 0 && !finished && repeat_left == 0; }
};

}  // namespace recordio::detail
