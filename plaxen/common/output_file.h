// How the companions write a file: an existing file is replaced whole and at once, a FIFO
// or device is written into, an input is never overwritten, and no temporary file is left
// behind after a failure or a signal.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plaxen {

// A file by its identity: the same device and inode is the same file under any spelling
// of its path and through any link.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names, links followed; none when it names no file.
std::optional<FileIdentity> identity_of(const std::string& path);

// A file the run reads, by identity, and what the program calls it in messages ("DATA").
struct InputFile {
  FileIdentity identity;
  std::string role;
};

// The inputs among (role, path) pairs that name existing files.
std::vector<InputFile> existing_inputs(
    std::initializer_list<std::pair<std::string_view, std::string_view>> roles_and_paths);

// The signals whose handler removes pending temporary files before the process ends.
// A slot changes with them blocked on the changing thread only: on another thread (GDAL's
// workers, a writer's helpers) the handler may meet a name being written, and then at worst
// tries to remove a ".plaxen-XXXXXX" name that no file has.
inline constexpr int removing_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Makes the process ignore SIGXFSZ, so that a write beyond a file-size limit (ulimit -f)
// fails with EFBIG and is reported, instead of ending the process silently. Call at start.
void ignore_file_size_signal();

class OutputFile {
 public:
  // Prepares the writing of `path`:
  //  - when it names no file, or a regular file, or a link to one (a dangling link names
  //    the file it would point to), the writer writes a new temporary file ".plaxen-XXXXXX"
  //    in the folder of that file, and commit() renames it over that file (a link stays a
  //    link);
  //  - when it names a FIFO, a character device or a terminal (also through /dev/stdout),
  //    the writer writes into `path` itself, as plaxen writes its grid file; refused when
  //    `seeking_format` is not empty: that format is written by seeking and so needs a
  //    regular file;
  //  - when it names, through /dev/stdout, /dev/fd/N or /proc/self/fd/N, a descriptor of
  //    the process that is a regular file (standard output sent to a file), the writer
  //    writes a temporary file as for a replacement, and commit() copies it into the
  //    descriptor where it stands, after what the shell wrote there;
  //  - a directory, or the same file as one of `inputs` ("is DATA: refused, ..."), is refused.
  // A refusal leaves problem() holding one line without the path, and nothing created.
  // While a temporary file exists, SIGINT, SIGTERM, SIGHUP and SIGQUIT remove it before
  // they end the process (a signal ignored at start stays ignored). Up to six outputs
  // may be pending at once.
  OutputFile(const std::string& path, std::span<const InputFile> inputs,
             std::string_view seeking_format = {});
  // Removes the temporary file unless it was committed. Never throws.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& problem() const { return problem_; }
  // Where the writer writes: the temporary file, or `path` itself for a FIFO or device.
  const std::string& write_path() const { return write_path_; }
  // The file that ends up holding the output: `path`, or the file a link names.
  const std::string& target() const { return target_; }
  // Whether the output goes into a stream: a FIFO or device, or a descriptor of the process.
  bool streams() const { return streams_ || into_descriptor_ >= 0; }

  // For a temporary file: gives it the permission bits of the file it replaces (a new file
  // gets 0666 less the umask) and renames it over the target. Returns an empty string, or
  // the system error text (the temporary file is then removed). For a stream: nothing.
  std::string commit();

 private:
  void prepare(const std::string& path, std::span<const InputFile> inputs,
               std::string_view seeking_format);
  void refuse(std::string line) { problem_ = std::move(line); }
  void prepare_replacement(const std::string& target, std::optional<mode_t> old_mode);

  std::string target_;
  std::string write_path_;
  std::string problem_;
  bool streams_ = false;
  int slot_ = -1;             // the signal handler's slot of the temporary file, while there is one
  int into_descriptor_ = -1;  // standard output (or another own descriptor) sent to a file
  mode_t mode_ = 0;
};

}  // namespace plaxen
