// Runs a real program of the project in a directory, feeding standard input and capturing
// standard output, standard error and how the process ended. For the end-to-end tests.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

struct run_result {
  std::string out;       // everything written on standard output
  std::string err;       // everything written on standard error
  int exit_status = -1;  // exit status when the process exited, else -1
  int signal = 0;        // terminating signal when the process was killed, else 0
};

// Runs `program` with `args` (not counting argv[0], which is `program` itself unless
// `argv0` is given) in the working directory `dir`, with `input` on standard input.
// Waits for the end of the process. Throws std::runtime_error when it cannot be started.
run_result run_program(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::string& input, const std::filesystem::path& dir,
                       const std::string& argv0 = {});

// The names of the entries of the directory `dir`, to check which files a run left behind.
std::set<std::string> file_names(const std::filesystem::path& dir);

// A fresh, empty temporary directory, removed by the destructor unless the test failed
// (then it is kept and its path printed, so the files of a failing case can be looked at).
class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  // Writes `content` to the file `name` inside the directory and returns its path.
  std::filesystem::path write(const std::string& name, const std::string& content) const;
  // Reads the whole file `name` inside the directory.
  std::string read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
