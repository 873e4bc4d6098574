// An output file written under a temporary name beside its final one and renamed to it only
// when complete, so that a failed or interrupted export leaves no partial file behind.
#pragma once

#include <signal.h>

#include <string>

namespace plaxen::exporting {

// The signals whose handler removes a pending temporary file before the process ends.
inline constexpr int removing_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

class PendingOutput {
 public:
  // Creates an empty temporary file ".NAME.XXXXXX" in the directory of `path`. On failure
  // problem() holds the system error text and there is no temporary file. While it exists,
  // an interrupt, hang-up, quit or termination signal removes it before the process ends.
  explicit PendingOutput(std::string path);
  // Removes the temporary file unless it was committed. Never throws.
  ~PendingOutput();
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;

  const std::string& temporary_path() const { return temporary_; }
  const std::string& problem() const { return problem_; }

  // Gives the file the permissions a newly created file gets (0666 less the umask) and
  // renames it to the final path, replacing a file of that name. Returns an empty string,
  // or the system error text (the temporary file is then removed).
  std::string commit();

 private:
  std::string path_;
  std::string temporary_;
  std::string problem_;
  bool committed_ = false;
};

}  // namespace plaxen::exporting
