// Refusal and warning lines of the driver.
#include "plaxen/driver/operator_messages.h"

#include "recordio/recordio.h"

namespace plaxen {

void refuse_job(std::string_view line) {
  recordio::start_list_write(recordio::output_unit);
  recordio::write(line);
  recordio::end_write();
  recordio::stop_with_status(1);
}

void warn(std::string_view line) {
  recordio::start_list_write(recordio::error_unit);
  recordio::write(line);
  recordio::end_write();
}

}  // namespace plaxen
