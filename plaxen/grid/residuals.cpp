// Residuals of the readings against the grid, summed segment by segment.
#include "plaxen/grid/residuals.h"

#include <algorithm>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/grid/parallel_segments.h"

namespace plaxen::grid {
namespace {

// Where a reading lies among the nodes: the array position of the lower-left node of its
// cell and the fractions (s, t) of the way to the next nodes along x and y.
struct cell_place {
  std::int64_t p = 0;
  double s = 0.0, t = 0.0;
  float value = 0.0f;
  bool valid = false;
};

// The grid as the residuals read it: positions from the geometry's single reals in double,
// node (i, j) at xmin + (i-1)*dx, ymin + (j-1)*dy as the exports place it.
class cell_reader {
 public:
  explicit cell_reader(const exporting::ExportGrid& grid)
      : z_(grid.z.data()),
        xs_(std::int64_t(grid.x_stride)),
        ys_(std::int64_t(grid.y_stride != 0 ? grid.y_stride : std::size_t(grid.size.nx))),
        xmin_(grid.geometry.xmin),
        ymin_(grid.geometry.ymin),
        dx_(grid.geometry.dx),
        dy_(grid.geometry.dy),
        last_x_(grid.size.nx - 1),
        last_y_(grid.size.ny - 1) {}

  // Places (x, y): inside the rectangle of the nodes, the cell whose lower-left node is
  // at (floor(u), floor(v)) for u = (x - xmin)/dx, v = (y - ymin)/dy; the last node
  // belongs to the last cell.
  cell_place place(float x, float y, float value) const {
    cell_place c;
    const double u = (double(x) - xmin_) / dx_;
    const double v = (double(y) - ymin_) / dy_;
    c.valid = u >= 0.0 && u <= double(last_x_) && v >= 0.0 && v <= double(last_y_);
    if (!c.valid) return c;
    const std::int64_t i = std::min(std::int64_t(u), last_x_ - 1);  // u >= 0: the floor
    const std::int64_t j = std::min(std::int64_t(v), last_y_ - 1);
    c.p = i * xs_ + j * ys_;
    c.s = u - double(i);
    c.t = v - double(j);
    c.value = value;
    return c;
  }

  // Where the cell's nodes lie: two lines hold them in either layout, but where a row or
  // column wraps. (The caller prefetches them itself: GCC takes a function that does
  // nothing but prefetch for one without effect and drops its calls.)
  const float* first_node(const cell_place& c) const { return z_ + c.p; }
  const float* last_node(const cell_place& c) const { return z_ + c.p + xs_ + ys_; }

  // The bilinear interpolation at the placed reading minus its value; false when the
  // reading is outside the nodes, one of the four nodes is undefined (-999.0 or not a
  // number), or the residual is not a finite number.
  bool residual(const cell_place& c, double& r) const {
    if (!c.valid) return false;
    const float z00 = z_[c.p], z10 = z_[c.p + xs_];
    const float z01 = z_[c.p + ys_], z11 = z_[c.p + xs_ + ys_];
    if (undefined(z00) || undefined(z10) || undefined(z01) || undefined(z11)) return false;
    const double low = double(z00) + c.s * (double(z10) - double(z00));
    const double high = double(z01) + c.s * (double(z11) - double(z01));
    r = low + c.t * (high - low) - double(c.value);
    return std::isfinite(r);
  }

 private:
  static bool undefined(float z) { return z == missing_value || z != z; }

  const float* z_;
  std::int64_t xs_, ys_;
  double xmin_, ymin_, dx_, dy_;
  std::int64_t last_x_, last_y_;
};

// Adds the residuals of readings a..b-1 of `run`, whose reading 0 is reading `first` of
// the file. Each reading is placed and its nodes asked for 64 readings before it is
// evaluated: the readings come in file order, their cells anywhere in a grid that seldom
// fits the caches, and a fetch from memory takes as long as that many evaluations.
void add_readings(const cell_reader& cells, const RecordRun& run, std::size_t a, std::size_t b,
                  std::int64_t first, ResidualSums& sums) {
  constexpr std::size_t ahead = 64;  // a power of 2
  cell_place ring[ahead];
  const auto take = [&](std::size_t k) {
    cell_place& c = ring[k % ahead];
    c = cells.place(run.x[k], run.y[k], run.z[k]);
    if (c.valid) {
      __builtin_prefetch(cells.first_node(c));
      __builtin_prefetch(cells.last_node(c));
    }
  };
  for (std::size_t k = a; k < std::min(b, a + ahead); ++k) take(k);
  for (std::size_t k = a; k < b; ++k) {
    double r = 0.0;
    if (cells.residual(ring[k % ahead], r)) sums.add(r, first + std::int64_t(k));
    if (k + ahead < b) take(k + ahead);
  }
}

}  // namespace

void ResidualSums::add(double r, std::int64_t k) {
  ++count;
  sum += r;
  sum_squares += r * r;
  if (std::fabs(r) > std::fabs(largest) || count == 1) {
    largest = r;
    largest_at = k;
  }
}

void ResidualSums::fold(const ResidualSums& next) {
  if (next.count == 0) return;
  if (count == 0 || std::fabs(next.largest) > std::fabs(largest)) {
    largest = next.largest;
    largest_at = next.largest_at;
  }
  count += next.count;
  sum += next.sum;
  sum_squares += next.sum_squares;
}

std::optional<double> residual_at(const exporting::ExportGrid& grid, float x, float y,
                                  float value) {
  const cell_reader cells(grid);
  double r = 0.0;
  if (!cells.residual(cells.place(x, y, value), r)) return std::nullopt;
  return r;
}

ResidualSums residual_sums(const exporting::ExportGrid& grid, std::span<const RecordRun> runs,
                           std::int64_t first, engine::worker_team& team) {
  // Where each run starts among the readings.
  std::vector<std::int64_t> starts{0};
  for (const RecordRun& run : runs) starts.push_back(starts.back() + std::int64_t(run.z.size()));
  const std::int64_t count = starts.back();
  std::vector<ResidualSums> segments(
      std::size_t((count + residual_segment - 1) / residual_segment));
  const cell_reader cells(grid);
  for_each_segment(count, residual_segment, team,
                   [&](std::int64_t s, std::int64_t begin, std::int64_t end) {
                     ResidualSums sums;
                     // The parts of the segment in each run it overlaps, in order.
                     for (std::size_t r = 0; r < runs.size(); ++r) {
                       const std::int64_t a = std::max(begin, starts[r]);
                       const std::int64_t b = std::min(end, starts[r + 1]);
                       if (a < b)
                         add_readings(cells, runs[r], std::size_t(a - starts[r]),
                                      std::size_t(b - starts[r]), first + starts[r], sums);
                     }
                     segments[std::size_t(s)] = sums;
                   });
  ResidualSums total;
  for (const ResidualSums& s : segments) total.fold(s);
  return total;
}

void ResidualPass::take(const RecordRun& run, std::int64_t first) {
  const cell_reader cells(grid_);
  const auto count = std::int64_t(run.z.size());
  for (std::int64_t a = 0; a < count;) {
    const std::int64_t segment = (first + a) / residual_segment;
    if (segment != segment_) {
      done_.fold(current_);
      current_ = ResidualSums{};
      segment_ = segment;
    }
    const std::int64_t b = std::min(count, (segment + 1) * residual_segment - first);
    add_readings(cells, run, std::size_t(a), std::size_t(b), first, current_);
    a = b;
  }
}

ResidualSums ResidualPass::total() const {
  ResidualSums total = done_;
  total.fold(current_);
  return total;
}

}  // namespace plaxen::grid
