// plaxen._core, the native part of the Python module plaxen: hands numpy arrays to plaxen's
// reader, engine and grid-file reader without the GIL, and their results back as numpy
// arrays, copying nothing that can be used where it lies. The package's Python part
// (plaxen/__init__.py) checks and converts the arguments and makes DataArrays of the results;
// the functions here take them as it passes them.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "plaxen/common/available_cores.h"
#include "plaxen/common/grid_geometry.h"
#include "plaxen/common/job_check.h"
#include "plaxen/export/export_grid.h"
#include "plaxen/export/placed_grid_file.h"
#include "plaxen/grid/grid_layout.h"
#include "plaxen/grid/held_grid.h"
#include "plaxen/grid/parallel_segments.h"
#include "plaxen/grid/point_arrays.h"
#include "plaxen/grid/record_loading.h"

namespace py = pybind11;

namespace {

using namespace plaxen;
using namespace plaxen::grid;

// Refuses a file name that the system would cut at its NUL and read as another file.
void refuse_nul(const std::string& path) {
  if (path.find('\0') != std::string::npos)
    throw py::value_error("embedded null character in the file name");
}

// numpy's view of `values`, which numpy then owns: they move to the heap and are freed with
// the last array that refers to them. Shape and strides in numpy's terms (strides in bytes).
template <class T>
py::array owned_by_numpy(LargeArray<T>&& values, std::vector<py::ssize_t> shape,
                         std::vector<py::ssize_t> strides) {
  auto* held = new LargeArray<T>(std::move(values));
  py::capsule owner(held, [](void* p) { delete static_cast<LargeArray<T>*>(p); });
  return py::array_t<T>(std::move(shape), std::move(strides), held->data(), owner);
}

// The grid's nodes as an array of dims (y, x) over its column-by-column storage (node (i, j)
// at (i-1)*ny + (j-1)): row j-1 holds the nodes of y = ymin + (j-1)*dy. No copy is made.
template <class T>
py::array by_rows(LargeArray<T>&& nodes, const GridSize& size) {
  const auto ny = py::ssize_t(size.ny), nx = py::ssize_t(size.nx);
  const auto item = py::ssize_t(sizeof(T));
  return owned_by_numpy(std::move(nodes), {ny, nx}, {item, item * ny});
}

// Undefined nodes as NaN, as plaxen-export's rasters hold them: every node of -999.0.
void undefined_as_nan(std::span<float> z) {
  for (float& v : z)
    if (exporting::is_undefined(v)) v = std::numeric_limits<float>::quiet_NaN();
}

// The positions of the nodes along an axis, exactly as plaxen-export writes them.
py::array_t<double> node_positions(std::int32_t count,
                                   double (*at)(const GridGeometry&, std::int32_t),
                                   const GridGeometry& geometry) {
  py::array_t<double> positions(count);
  double* p = positions.mutable_data();
  for (std::int32_t k = 1; k <= count; ++k) p[k - 1] = at(geometry, k);
  return positions;
}

// The geometry's single reals, each held exactly by a Python float.
py::dict geometry_attributes(const GridGeometry& g) {
  py::dict a;
  a["xmin"] = double{g.xmin};
  a["ymin"] = double{g.ymin};
  a["xmax"] = double{g.xmax};
  a["ymax"] = double{g.ymax};
  a["dx"] = double{g.dx};
  a["dy"] = double{g.dy};
  return a;
}

// What plaxen-grid reports of a run, under the names of its JSON report.
py::dict grid_attributes(const MadeGrid& made, const DataSummary& summary,
                         const ResidualSums& residuals) {
  py::dict a = geometry_attributes(made.layout.geometry);
  const engine::gridding_stats& s = made.stats;
  const std::int64_t nodes = std::int64_t{made.layout.size.nx} * made.layout.size.ny;
  a["records"] = summary.records;
  a["value_min"] = double{summary.values.zmin()};
  a["value_max"] = double{summary.values.zmax()};
  a["data_nodes"] = s.data_nodes;
  a["defined_nodes"] = s.data_nodes + s.free_nodes;
  a["undefined_nodes"] = nodes - (s.data_nodes + s.free_nodes);
  a["dropped_readings"] = s.points.ignored;
  a["outside_readings"] = s.points.out_of_range;
  a["sweeps"] = s.sweeps;
  a["residual_count"] = residuals.count;
  if (residuals.count > 0) {
    a["residual_mean"] = residuals.mean();
    a["residual_rms"] = residuals.rms();
    a["residual_largest"] = residuals.largest;
    a["residual_largest_index"] = residuals.largest_at;
  }
  return a;
}

// A refusal of the grid's layout with the spacing named as the argument `spacing`, not as
// plaxen-grid's option -I: "spacing 1e-30/1e-30 asks for more than 2147483647 nodes ...".
std::string in_python_terms(std::string line) {
  for (std::size_t at = 0; (at = line.find("-I ", at)) != std::string::npos;)
    if (at == 0 || line[at - 1] == '(')
      line.replace(at, 3, "spacing ");
    else
      at += 3;
  return line;
}

// Whether a node spacing describes a grid: a finite single real above 0.
bool usable_step(float step) {
  return std::isfinite(step) && step > 0.0f;
}

// A column of readings as the Python part passes it: one-dimensional, contiguous, float32
// (used where it lies) or float64.
PointColumn column_of(const py::array& a) {
  if (a.ndim() == 1 && py::array_t<float, py::array::c_style>::check_(a))
    return std::span<const float>(static_cast<const float*>(a.data()), std::size_t(a.size()));
  if (a.ndim() == 1 && py::array_t<double, py::array::c_style>::check_(a))
    return std::span<const double>(static_cast<const double*>(a.data()), std::size_t(a.size()));
  throw py::type_error("a column of readings must be a contiguous 1-d float32 or float64 array");
}

// The grid of `size` or `spacing` over the limits or `region`, made from the readings x, y, z:
// (values, counts or None, x positions, y positions, attributes).
py::tuple grid_readings(const py::array& x, const py::array& y, const py::array& z,
                        std::optional<std::array<std::int32_t, 2>> size,
                        std::optional<std::array<double, 2>> spacing,
                        std::optional<std::array<double, 4>> region, int threads, bool counts) {
  GridSpec wanted;
  if (size) wanted.size = GridSize{(*size)[0], (*size)[1]};
  if (spacing) {
    wanted.dx = static_cast<float>((*spacing)[0]);
    wanted.dy = static_cast<float>((*spacing)[1]);
    // Refused here in the module's own words; plaxen-grid's line names its option -I.
    if (!(usable_step(*wanted.dx) && usable_step(*wanted.dy)))
      throw py::value_error(std::string(spacing_unusable_refusal));
  }
  if (region) {
    DataLimits r;
    r.xmin = static_cast<float>((*region)[0]);
    r.xmax = static_cast<float>((*region)[1]);
    r.ymin = static_cast<float>((*region)[2]);
    r.ymax = static_cast<float>((*region)[3]);
    wanted.region = r;
  }
  const std::array<PointColumn, 3> columns = {column_of(x), column_of(y), column_of(z)};
  HeldPoints points;
  MadeGrid made;
  ResidualSums residuals;
  std::string problem;
  {
    py::gil_scoped_release unlocked;
    problem = hold_points(columns, threads, points);
    if (problem.empty())
      problem = grid_held_records(wanted, {&points.run, 1}, points.summary, threads, counts, made,
                                  residuals);
    if (problem.empty()) undefined_as_nan(made.z);
  }
  if (!problem.empty()) throw py::value_error(in_python_terms(problem));
  const GridLayout layout = made.layout;
  py::dict attributes = grid_attributes(made, points.summary, residuals);
  py::object node_counts = py::none();
  if (counts) node_counts = by_rows(std::move(made.counts), layout.size);
  return py::make_tuple(by_rows(std::move(made.z), layout.size), node_counts,
                        node_positions(layout.size.nx, node_x, layout.geometry),
                        node_positions(layout.size.ny, node_y, layout.geometry), attributes);
}

// The residual of every reading against the grid `values` (dims (y, x)) placed by
// (xmin, ymin, dx, dy); NaN where the grid does not honour the reading.
py::array_t<double> reading_residuals(const py::array_t<float, 0>& values,
                                      std::array<double, 4> placement, const py::array& x,
                                      const py::array& y, const py::array& z, int threads) {
  if (values.ndim() != 2) throw py::value_error("the grid must have two dimensions, y and x");
  if (values.shape(0) > INT32_MAX || values.shape(1) > INT32_MAX)
    throw py::value_error("the grid has more than 2147483647 nodes along an axis");
  const GridSize size{std::int32_t(values.shape(1)), std::int32_t(values.shape(0))};
  if (too_few_nodes(size)) throw py::value_error(std::string(too_few_nodes_refusal));
  if (values.strides(0) <= 0 || values.strides(1) <= 0 || values.strides(0) % 4 != 0 ||
      values.strides(1) % 4 != 0)
    throw py::type_error("the grid's values must lie in memory in rows or in columns");
  GridGeometry g{};
  g.xmin = static_cast<float>(placement[0]);
  g.ymin = static_cast<float>(placement[1]);
  g.dx = static_cast<float>(placement[2]);
  g.dy = static_cast<float>(placement[3]);
  if (!(usable_step(g.dx) && usable_step(g.dy)))
    throw py::value_error(std::string(spacing_unusable_refusal));
  exporting::ExportGrid grid{
      size, g, {}, std::size_t(values.strides(1) / 4), std::size_t(values.strides(0) / 4)};
  grid.z = {values.data(), grid.index(size.nx, size.ny) + 1};
  const std::array<PointColumn, 3> columns = {column_of(x), column_of(y), column_of(z)};
  HeldPoints points;
  std::string problem;
  {
    py::gil_scoped_release unlocked;
    problem = hold_points(columns, threads, points);
  }
  if (!problem.empty()) throw py::value_error(problem);
  py::array_t<double> residuals(py::ssize_t(points.summary.records));
  double* out = residuals.mutable_data();
  {
    py::gil_scoped_release unlocked;
    const RecordRun& run = points.run;
    for_each_segment(points.summary.records, residual_segment, threads,
                     [&](std::int64_t, std::int64_t begin, std::int64_t end) {
                       for (auto k = std::size_t(begin); k < std::size_t(end); ++k)
                         out[k] = residual_at(grid, run.x[k], run.y[k], run.z[k])
                                      .value_or(std::numeric_limits<double>::quiet_NaN());
                     });
  }
  return residuals;
}

// Every record of the data file: (x, y, z, (xmin, xmax, ymin, ymax)).
py::tuple load_file(const std::string& path, std::array<int, 3> columns, std::int64_t skip_lines,
                    int threads) {
  refuse_nul(path);
  PointStore store;
  DataSummary summary;
  std::string problem;
  {
    py::gil_scoped_release unlocked;
    problem = load_records(path, {columns, skip_lines, threads}, store, summary);
  }
  if (!problem.empty()) throw py::value_error(problem);
  const auto count = py::ssize_t(store.size());
  py::array_t<float> xs(count), ys(count), zs(count);
  float* to[3] = {xs.mutable_data(), ys.mutable_data(), zs.mutable_data()};
  {
    py::gil_scoped_release unlocked;
    std::size_t at = 0;
    for (const RecordRun& run : store.runs()) {
      std::copy(run.x.begin(), run.x.end(), to[0] + at);
      std::copy(run.y.begin(), run.y.end(), to[1] + at);
      std::copy(run.z.begin(), run.z.end(), to[2] + at);
      at += run.z.size();
    }
    store.clear();
  }
  const DataLimits& l = summary.limits;
  return py::make_tuple(
      xs, ys, zs, py::make_tuple(double{l.xmin}, double{l.xmax}, double{l.ymin}, double{l.ymax}));
}

// A grid file of plaxen with its data file's geometry: (values, x positions, y positions,
// attributes).
py::tuple read_grid_file(const std::string& path, std::int32_t nx, std::int32_t ny,
                         const std::string& data) {
  refuse_nul(path);
  refuse_nul(data);
  const GridSize size{nx, ny};
  std::string problem(judge_job(size, INT64_MAX, 0.0f));
  if (problem.empty()) memory_for(grid_bytes(size, false), size, problem);
  if (!problem.empty()) throw py::value_error(problem);
  py::array_t<float> values({py::ssize_t{ny}, py::ssize_t{nx}});
  const std::span<float> z(values.mutable_data(), std::size_t(values.size()));
  GridGeometry g{};
  std::int64_t records = 0;
  {
    py::gil_scoped_release unlocked;
    // plaxen's loader holds the records in static storage: one loading at a time.
    static std::mutex loading;
    const std::lock_guard one_at_a_time(loading);
    problem = exporting::read_placed_grid(path, data, size, z, g, records);
    if (problem.empty()) undefined_as_nan(z);
  }
  if (!problem.empty()) throw py::value_error(problem);
  py::dict attributes = geometry_attributes(g);
  attributes["records"] = records;
  return py::make_tuple(values, node_positions(nx, node_x, g), node_positions(ny, node_y, g),
                        attributes);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The native part of plaxen; use the functions of the package plaxen.";
  m.def("grid", &grid_readings, py::arg("x"), py::arg("y"), py::arg("z"), py::arg("size"),
        py::arg("spacing"), py::arg("region"), py::arg("threads"), py::arg("counts"));
  m.def("residuals", &reading_residuals, py::arg("values"), py::arg("placement"), py::arg("x"),
        py::arg("y"), py::arg("z"), py::arg("threads"));
  m.def("load", &load_file, py::arg("path"), py::arg("columns"), py::arg("skip_lines"),
        py::arg("threads"));
  m.def("read_grid", &read_grid_file, py::arg("path"), py::arg("nx"), py::arg("ny"),
        py::arg("data"));
  m.def("available_cores", &available_cores);
}
