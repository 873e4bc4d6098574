// Connects the record I/O layer's standard units once, as the program does at start-up, so
// that the out-of-range lines of in-process zgrid calls have somewhere to go.
#include <gtest/gtest.h>

#include "recordio/recordio.h"

namespace {

class record_io_start : public testing::Environment {
 public:
  void SetUp() override { recordio::start_up(); }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new record_io_start);

}  // namespace
