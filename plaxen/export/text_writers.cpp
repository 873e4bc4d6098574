// ESRI ASCII grids and x y z lists, written with exact number texts.
#include "plaxen/export/text_writers.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <thread>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/common/number_text.h"
#include "recordio/e_field_text.h"

namespace plaxen::exporting {
namespace {

// A text file written through stdio; the first failure is kept.
class text_file {
 public:
  explicit text_file(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {
    if (file_ == nullptr) error_ = failure();
  }
  ~text_file() {
    if (file_ != nullptr) std::fclose(file_);
  }
  text_file(const text_file&) = delete;
  text_file& operator=(const text_file&) = delete;

  void put(const std::string& text) {
    if (file_ != nullptr && error_ == 0 &&
        std::fwrite(text.data(), 1, text.size(), file_) != text.size())
      error_ = failure();
  }
  // Closes the file; returns an empty string, or the first system error text.
  std::string close() {
    if (file_ != nullptr && std::fclose(file_) != 0 && error_ == 0) error_ = failure();
    file_ = nullptr;
    return error_ == 0 ? "" : std::strerror(error_);
  }

 private:
  // The system's reason for a failed call; a failure without one is still a failure.
  static int failure() { return errno != 0 ? errno : EIO; }

  std::FILE* file_;
  int error_ = 0;
};

// An ESRI cell value: undefined nodes, and infinities that its readers cannot take, as -999.
std::string esri_value(float value) {
  return is_undefined(value) || !std::isfinite(value) ? "-999" : exact_text(value);
}

}  // namespace

std::string esri_refusal(const ExportGrid& grid) {
  if (grid.geometry.dx == grid.geometry.dy) return {};
  return "AAIGrid needs square cells, but dx is " + exact_text(grid.geometry.dx) + " and dy is " +
         exact_text(grid.geometry.dy) + "; export to GTiff or netCDF instead";
}

std::string write_esri_ascii(const std::string& path, const ExportGrid& grid) {
  text_file out(path);
  const auto header = [&](std::string_view key, const std::string& value) {
    out.put(std::string(key).append(value).append("\n"));
  };
  header("ncols        ", std::to_string(grid.size.nx));
  header("nrows        ", std::to_string(grid.size.ny));
  header("xllcenter    ", exact_text(double{grid.geometry.xmin}));
  header("yllcenter    ", exact_text(double{grid.geometry.ymin}));
  header("cellsize     ", exact_text(double{grid.geometry.dx}));
  header("NODATA_value ", "-999");
  std::string row;
  for (std::int32_t j = grid.size.ny; j >= 1; --j) {
    row.clear();
    for (std::int32_t i = 1; i <= grid.size.nx; ++i)
      row.append(i > 1 ? " " : "").append(esri_value(grid.at(i, j)));
    out.put(row.append("\n"));
  }
  return out.close();
}

std::string write_text_file(const std::string& path, const std::string& text) {
  text_file out(path);
  out.put(text);
  return out.close();
}

std::string write_xyz(const std::string& path, const ExportGrid& grid) {
  text_file out(path);
  std::vector<std::string> xs(std::size_t(grid.size.nx));
  for (std::int32_t i = 1; i <= grid.size.nx; ++i)
    xs[std::size_t(i - 1)] = exact_text(node_x(grid.geometry, i));
  std::string row;
  for (std::int32_t j = grid.size.ny; j >= 1; --j) {
    const std::string y = std::string(" ").append(exact_text(node_y(grid.geometry, j))).append(" ");
    row.clear();
    for (std::int32_t i = 1; i <= grid.size.nx; ++i)
      if (const float z = grid.at(i, j); !is_undefined(z))
        row.append(xs[std::size_t(i - 1)]).append(y).append(exact_text(z)).append("\n");
    out.put(row);
  }
  return out.close();
}

std::string write_plaxen_grid(const std::string& path, const ExportGrid& grid, int threads) {
  text_file out(path);
  const std::int32_t nx = grid.size.nx, ny = grid.size.ny;
  // Rows in batches of about 4 MiB of text, each batch laid out on the threads.
  const std::int32_t batch =
      std::max<std::int32_t>(1, std::int32_t((std::int64_t{4} << 20) / (15 * std::int64_t{nx})));
  std::vector<std::string> rows(std::size_t(std::min(batch, ny)));
  std::vector<float> values(std::size_t(nx) * rows.size());
  for (std::int32_t first = 1; first <= ny; first += batch) {
    const std::int32_t count = std::min(batch, ny - first + 1);
    const auto lay_out = [&](std::int32_t r) {
      float* row = values.data() + std::size_t(r) * std::size_t(nx);
      for (std::int32_t i = 1; i <= nx; ++i) row[i - 1] = grid.at(i, first + r);
      rows[std::size_t(r)].clear();
      recordio::append_e_lines(rows[std::size_t(r)], std::span<const float>(row, std::size_t(nx)),
                               grid_values_per_line, 15, 7);
    };
    {
      std::atomic<std::int32_t> next{0};
      const auto work = [&] {
        for (std::int32_t r; (r = next.fetch_add(1)) < count;) lay_out(r);
      };
      std::vector<std::jthread> helpers;
      for (int t = 1; t < std::min(threads, count); ++t) helpers.emplace_back(work);
      work();
    }
    for (std::int32_t r = 0; r < count; ++r) out.put(rows[std::size_t(r)]);
  }
  return out.close();
}

}  // namespace plaxen::exporting
