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
  bool out_of_memory = false;
  if (problem.empty()) {
    ProgressLine silent(false, 0);
    // A failed allocation is remembered, not thrown through the reader, whose workers must
    // see the reading to its end.
    problem = reader.read(
        [&](const RecordRun& run, std::int64_t) {
          if (out_of_memory) return;
          try {
            store.append(run);
          } catch (const std::bad_alloc&) {
            out_of_memory = true;
            store.clear();
          }
        },
        summary, silent);
  }
  if (out_of_memory) throw std::bad_alloc();
  return problem.empty() ? problem : shown_text(path) + ": " + problem;
}

}  // namespace plaxen::grid
