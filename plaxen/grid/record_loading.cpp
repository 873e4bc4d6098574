// Loading a data file's records into memory with plaxen-grid's reader.
#include "plaxen/grid/record_loading.h"

#include <new>

#include "plaxen/common/shown_text.h"
#include "plaxen/grid/progress_line.h"

namespace plaxen::grid {

std::string load_records(const std::string& path, const ReadSettings& settings, PointStore& store,
                         DataSummary& summary) {
  DataReader reader(path, settings);
  std::string problem = reader.problem();
  if (problem.empty()) {
    ProgressLine silent(false, 0);
    try {
      // A failed allocation ends the reading, whose threads the reader stops on the way out.
      problem = reader.read([&](const RecordRun& run, std::int64_t) { store.append(run); }, summary,
                            silent);
    } catch (const std::bad_alloc&) {
      store.clear();
      throw;
    }
  }
  return problem.empty() ? problem : shown_text(path) + ": " + problem;
}

}  // namespace plaxen::grid
