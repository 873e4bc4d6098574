// Finding the GDAL writer module beside the program or in its installed place, and loading
// it with dlopen on a thread of its own.
#include "plaxen/export/gdal_writer_loading.h"

#include <dlfcn.h>
#include <signal.h>

#include <filesystem>
#include <system_error>

#include "plaxen/common/output_file.h"

namespace plaxen::exporting {
namespace {

// Where the module is, from the program's own location (symbolic links followed): beside
// it, else in GDAL_WRITER_DIRECTORY relative to it. Empty, with `problem` set, when the
// program cannot find itself.
std::string module_path(std::string& problem) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) {
    problem = "/proc/self/exe: " + error.message();
    return {};
  }
  const fs::path beside = program.parent_path() / gdal_writer_module;
  if (fs::exists(beside, error)) return beside;
  return (program.parent_path() / GDAL_WRITER_DIRECTORY / gdal_writer_module).lexically_normal();
}

std::string loader_error() {
  const char* message = dlerror();
  return message != nullptr ? message : "no message from the dynamic loader";
}

}  // namespace

GdalWriterLoading::GdalWriterLoading(std::function<void()> loaded) : loaded_(std::move(loaded)) {
  sigset_t blocked, saved;
  sigemptyset(&blocked);
  for (int s : removing_signals) sigaddset(&blocked, s);
  pthread_sigmask(SIG_BLOCK, &blocked, &saved);
  bool started = true;
  try {
    thread_ = std::thread(&GdalWriterLoading::load_and_tell, this);  // with this thread's mask
  } catch (const std::system_error&) {
    started = false;
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  if (!started) load_and_tell();  // no second thread to be had: load it here
}

void GdalWriterLoading::load_and_tell() {
  load();
  if (loaded_) loaded_();
}

const GdalWriter* GdalWriterLoading::finish() {
  if (thread_.joinable()) thread_.join();
  return writer_;
}

void GdalWriterLoading::load() {
  const std::string path = module_path(problem_);
  if (path.empty()) return;
  // Lazy: binding every symbol of GDAL's libraries at once would be 7,000 lookups more. The
  // module itself is linked to bind at once, so a symbol missing from GDAL is reported here.
  void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (module == nullptr) {
    problem_ = loader_error();
    return;
  }
  const auto entry = reinterpret_cast<const GdalWriter* (*)()>(dlsym(module, gdal_writer_entry));
  if (entry == nullptr) {
    problem_ = loader_error();
    return;
  }
  writer_ = entry();
}

}  // namespace plaxen::exporting
