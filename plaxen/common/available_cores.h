// How many cores the process may run on: the default thread count of the programs that
// share their work.
#pragma once

namespace plaxen {

// The cores in the process's affinity mask (taskset and cgroup cpusets count), at least 1.
int available_cores();

}  // namespace plaxen
