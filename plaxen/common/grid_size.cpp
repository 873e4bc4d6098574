// Reading, echoing and checking the grid size.
#include "plaxen/common/grid_size.h"

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

}  // namespace plaxen
