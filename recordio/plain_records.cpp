// The fast scan over plain lines of list-directed records in memory.
#include "recordio/plain_records.h"

#include <algorithm>
#include <cstring>

#include "recordio/list_text.h"
#include "recordio/number_scanner.h"
#include "recordio/plain_number.h"
#include "recordio/whole_line.h"

namespace recordio {
namespace {

inline bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// A real constant at p in one of the plain forms whose value the item rules take from
// scan_short_decimal or scan_plain_real, ending before `end`: stores it and returns the
// byte after it, or nullptr.
inline const char* plain_constant(const char* p, const char* end, double& value) {
  if (end - p >= detail::short_decimal_lookahead) {
    if (const char* after = detail::scan_short_decimal(p, value)) return after;
  }
  const char* after = nullptr;
  return detail::scan_plain_real(p, end, value, after) ? after : nullptr;
}

// After a constant that is not the record's last: blanks or tabs with at most one comma
// among them, as the separator and the gap before the next item are read. Returns where
// the next item starts, or nullptr when no separator follows.
inline const char* separator_end(const char* p, const char* end) {
  const char* q = p;
  while (q < end && is_blank(*q)) ++q;
  if (q < end && *q == ',') {
    ++q;
    while (q < end && is_blank(*q)) ++q;
  }
  return q == p ? nullptr : q;
}

// Reads the `count` constants of a plain line starting at p (blanks before the first
// already skipped) into values; returns the byte after the last, or nullptr.
inline const char* plain_line_values(const char* p, const char* end, int count, float* values) {
  for (int i = 0;;) {
    double number = 0;
    p = plain_constant(p, end, number);
    if (p == nullptr) return nullptr;
    values[i] = static_cast<float>(number);
    if (++i == count) return p;
    p = separator_end(p, end);
    if (p == nullptr) return nullptr;
  }
}

bool valid_request(const char* begin, const char* end, int count,
                   std::span<const plain_pick> picks) {
  if ((begin == nullptr) != (end == nullptr) || begin > end) return false;
  if (count < 1 || static_cast<std::size_t>(count) > max_text_record_items) return false;
  if (picks.size() > max_plain_picks) return false;
  for (const plain_pick& pick : picks)
    if (pick.item < 1 || pick.item > count || pick.values == nullptr) return false;
  return true;
}

// The scan, with the commonest lines read whole where `WholeLines` (on a processor that
// whole_line_available() approves) and item by item otherwise. The loop stays compiled for
// any x86-64: item by item, code compiled for SSE4.1 ran 1.05 to 1.08 times as long (lines
// of eight decimals), so the whole-line reading is a call of its own.
template <bool WholeLines>
[[gnu::always_inline]] inline plain_scan scan_lines(const char* begin, const char* end, int count,
                                                    std::span<const plain_pick> picks,
                                                    std::size_t capacity) {
  plain_scan scan;
  float values[max_text_record_items];
  const char* line = begin;
  // Lines still to read item by item after a record line the whole-line reading refused,
  // twice as many after each refusal in a row: a file of other lines (commas between the
  // items, eight decimals) is not read twice over. Blank lines are no refusal.
  [[maybe_unused]] int item_by_item = 0;
  [[maybe_unused]] int after_refusal = 16;
  while (scan.records < capacity) {
    const char* p = nullptr;
    [[maybe_unused]] bool refused = false;
#if defined(RECORDIO_WHOLE_LINE)
    // Step 0: the commonest plain line, read whole.
    if constexpr (WholeLines) {
      if (item_by_item > 0) {
        --item_by_item;
      } else if (end - line >= detail::whole_line_lookahead) {
        p = detail::whole_line_values(line, count, values);
        refused = p == nullptr;
        if (!refused) after_refusal = 16;
      }
    }
#endif
    if (p == nullptr) {
      // Step 1: a blank line is passed over as the gap before the next record.
      p = line;
      while (p < end && is_blank(*p)) ++p;
      if (p == end) break;
      if (*p == '\n') {
        line = p + 1;
        ++scan.newlines;
        continue;
      }
      if (refused) {
        item_by_item = after_refusal;
        after_refusal = std::min(2 * after_refusal, 1024);
      }
      // Step 2: the record's constants, then the rest of its line, ignored, to its newline.
      p = plain_line_values(p, end, count, values);
      if (p == nullptr) break;
      if (*p != '\n') {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (p == nullptr) break;
      }
    }
    // Step 3: the record stored.
    for (const plain_pick& pick : picks) pick.values[scan.records] = values[pick.item - 1];
    ++scan.records;
    ++scan.newlines;
    line = p + 1;
  }
  scan.used = static_cast<std::size_t>(line - begin);
  return scan;
}

}  // namespace

plain_scan scan_plain_records(const char* begin, const char* end, int count,
                              std::span<const plain_pick> picks, std::size_t capacity) noexcept {
  if (!valid_request(begin, end, count, picks)) return {};
#if defined(RECORDIO_WHOLE_LINE)
  if (detail::whole_line_available()) return scan_lines<true>(begin, end, count, picks, capacity);
#endif
  return scan_lines<false>(begin, end, count, picks, capacity);
}

}  // namespace recordio
