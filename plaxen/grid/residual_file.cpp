// Writing the residuals file, its lines laid out in segments on the threads.
#include "plaxen/grid/residual_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "plaxen/common/number_text.h"
#include "plaxen/grid/parallel_segments.h"
#include "plaxen/grid/residuals.h"

namespace plaxen::grid {
namespace {

constexpr std::int64_t lines_per_segment = 16384;

void append_line(std::string& out, const exporting::ExportGrid& grid, float x, float y, float z) {
  const auto residual = residual_at(grid, x, y, z);
  out.append(exact_text(x)).append(" ").append(exact_text(y)).append(" ");
  out.append(exact_text(z)).append(" ").append(residual ? exact_text(*residual) : "nan");
  out.push_back('\n');
}

}  // namespace

ResidualFile::ResidualFile(const std::string& path, const exporting::ExportGrid& grid,
                           engine::worker_team& team)
    : grid_(grid), team_(team), file_(std::fopen(path.c_str(), "w")) {
  if (file_ == nullptr) error_ = errno;
}

ResidualFile::~ResidualFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void ResidualFile::take(const RecordRun& run) {
  if (file_ == nullptr || error_ != 0) return;
  const auto count = std::int64_t(run.z.size());
  // Segments a batch: enough to keep the threads busy, few enough to hold in memory.
  const std::int64_t batch = lines_per_segment * 4 * team_.size();
  std::vector<std::string> texts;
  for (std::int64_t first = 0; first < count && error_ == 0; first += batch) {
    const std::int64_t n = std::min(batch, count - first);
    texts.assign(std::size_t((n + lines_per_segment - 1) / lines_per_segment), {});
    for_each_segment(n, lines_per_segment, team_,
                     [&](std::int64_t s, std::int64_t begin, std::int64_t end) {
                       std::string& text = texts[std::size_t(s)];
                       for (std::int64_t k = first + begin; k < first + end; ++k)
                         append_line(text, grid_, run.x[std::size_t(k)], run.y[std::size_t(k)],
                                     run.z[std::size_t(k)]);
                     });
    for (const std::string& text : texts)
      if (error_ == 0 && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        error_ = errno;
  }
}

std::string ResidualFile::close() {
  if (file_ != nullptr && std::fclose(file_) != 0 && error_ == 0) error_ = errno;
  file_ = nullptr;
  return error_ == 0 ? "" : std::strerror(error_);
}

}  // namespace plaxen::grid
