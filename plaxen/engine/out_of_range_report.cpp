// The operator's line for a scattered point that falls outside the grid.
#include "plaxen/engine/out_of_range_report.h"

#include "recordio/recordio.h"

namespace plaxen {

void report_out_of_range(std::int32_t k, float x, float y, float z) {
  recordio::start_formatted_write(recordio::output_unit,
                                  "(1X,29Hpoint out of range k,x,y,z = ,I5,3E15.4)");
  recordio::write(k);
  recordio::write(x);
  recordio::write(y);
  recordio::write(z);
  recordio::end_write();
}

}  // namespace plaxen
