// plaxen-export's GDAL writer module, loaded in the background. Loading libgdal with the
// ~110 libraries it needs and running their initialisers takes 30 to 90 ms of a core,
// depending on how busy the machine is: about as long as loading a data file of 1,000,000
// records. On a thread of its own it runs beside that, and an export of such a file takes
// about the time of a plaxen run instead of 1.6 times (make bench).
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "plaxen/export/gdal_writer.h"

namespace plaxen::exporting {

class GdalWriterLoading {
 public:
  // Starts loading the module on a thread of its own, which blocks the signals that remove
  // a temporary output file, so that their handler runs on the calling thread. The module
  // is looked for beside the program (the build tree), else in the installed library
  // directory, GDAL_WRITER_DIRECTORY relative to the program's own. `loaded`, when given,
  // is called once the loading has ended, either way, on the thread that loaded.
  explicit GdalWriterLoading(std::function<void()> loaded = {});
  ~GdalWriterLoading() { finish(); }
  GdalWriterLoading(const GdalWriterLoading&) = delete;
  GdalWriterLoading& operator=(const GdalWriterLoading&) = delete;

  // Waits for the loading to end. Returns the module's table, or nullptr when the module
  // cannot be loaded, problem() then saying why (the dynamic loader's message). The module
  // stays loaded until the process ends.
  const GdalWriter* finish();
  const std::string& problem() const { return problem_; }

 private:
  void load();
  void load_and_tell();

  // Written by the loading thread only, read by others only after it has been joined.
  const GdalWriter* writer_ = nullptr;
  std::string problem_;
  std::function<void()> loaded_;
  std::thread thread_;
};

}  // namespace plaxen::exporting
