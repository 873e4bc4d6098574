// Reading, echoing and checking the grid size.
#include "plaxen/common/grid_size.h"

#include <charconv>

#include "plaxen/common/capacities.h"
#include "recordio/recordio.h"

namespace plaxen {

GridSize read_grid_size() {
  GridSize size;
  // No END exit: an end of input or an unreadable value ends the run with the report, so
  // these calls return 0, but for the end call's END met while discarding the rest of the
  // line, which a read without an END exit ignores.
  (void)recordio::start_list_read(recordio::input_unit);
  (void)recordio::read(size.nx);
  (void)recordio::read(size.ny);
  (void)recordio::end_read();

  recordio::start_list_write(recordio::output_unit);
  recordio::write(size.nx);
  recordio::write(size.ny);
  recordio::end_write();
  return size;
}

bool too_few_nodes(const GridSize& size) {
  return size.nx < 2 || size.ny < 2;
}

bool too_many_nodes(const GridSize& size) {
  return std::int64_t{size.nx} * std::int64_t{size.ny} > max_nodes;
}

bool parse_node_count(std::string_view text, std::int32_t& count) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return false;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  count = value;
  return true;
}

}  // namespace plaxen
