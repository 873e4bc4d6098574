// Loading the data file for the companion programs, with its failures as text.
#include "plaxen/common/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "plaxen/common/shown_text.h"
#include "plaxen/common/text_line.h"
#include "recordio/recordio.h"

namespace plaxen {
namespace {

// Why `name` cannot be loaded as plaxen loads it, or nothing. A directory opens, but its
// reading would fail: refused as the system refuses to read it. A FIFO or pipe is read to
// its end, as plaxen reads it (opened for reading only).
std::string open_problem(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::strerror(errno);
  struct stat st {};
  const bool directory = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  ::close(fd);
  if (directory) return std::strerror(EISDIR);
  return {};
}

// "line 57: invalid number in record 56: \"...\"", or without the line when the file
// cannot be read again to find it.
std::string unreadable_record(const DataFile& file) {
  const auto failure = static_cast<recordio::read_failure>(file.load.read_failure);
  const std::string what = std::string(recordio::describe(failure).tag);
  const std::string record = "record " + std::to_string(points.n + 1);
  const std::int64_t offset = recordio::read_position(data_unit);
  const std::optional<TextLine> line =
      offset < 0 ? std::nullopt : line_at_offset(file.name, offset, shown_characters + 1);
  if (!line) return record + ": " + what;
  return "line " + std::to_string(line->number) + ": " + what + " in " + record + ": \"" +
         shown_text(line->text) + "\"";
}

}  // namespace

std::string data_file_name(std::string_view path) {
  const std::size_t end = path.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : path.substr(0, end + 1));
}

DataFile load_data_file(std::string_view path) {
  DataFile file;
  file.name = data_file_name(path);
  if (file.name.empty()) {
    file.problem = "an empty file name";
    return file;
  }
  file.problem = open_problem(file.name);
  if (!file.problem.empty()) return file;
  recordio::open(data_unit, file.name, "old");
  file.load = load_scattered_data(data_unit, recordio::error_exit::yes);
  if (file.load.read_failure == static_cast<int>(recordio::read_failure::read_error)) {
    file.problem = recordio::read_error_text(data_unit);
  } else if (file.load.read_failure != 0) {
    file.problem = unreadable_record(file);
  } else {
    file.records_ignored = file.load.capacity_reached && recordio::has_more_data(data_unit);
  }
  recordio::close(data_unit);
  return file;
}

}  // namespace plaxen
