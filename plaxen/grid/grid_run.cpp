// The run of plaxen-grid, step by step.
#include "plaxen/grid/grid_run.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/common/gridding_settings.h"
#include "plaxen/common/large_array.h"
#include "plaxen/common/output_file.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/driver/grid_file.h"
#include "plaxen/engine/gridding.h"
#include "plaxen/export/export_output.h"
#include "plaxen/export/gdal_writer_loading.h"
#include "plaxen/grid/data_reader.h"
#include "plaxen/grid/grid_layout.h"
#include "plaxen/grid/progress_line.h"
#include "plaxen/grid/residual_file.h"
#include "plaxen/grid/residuals.h"

namespace plaxen::grid {
namespace {

using exporting::ExportFormat;
using exporting::ExportGrid;
using exporting::ExportTarget;
using exporting::FormatSet;
using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Whether two outputs would end in the same file.
bool same_output(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path pa = fs::weakly_canonical(a, error), pb = fs::weakly_canonical(b, error);
  return pa == pb;
}

// Everything a run writes, prepared before the work.
struct Outputs {
  std::unique_ptr<ExportTarget> grid;
  std::unique_ptr<ExportTarget> counts;
  std::unique_ptr<OutputFile> residuals;
  std::optional<exporting::GdalWriterLoading> gdal_loading;
  const exporting::GdalWriter* gdal = nullptr;
};

std::string prepare_outputs(const GridOptions& o, std::span<const InputFile> inputs, Outputs& out) {
  std::string problem;
  const auto format = exporting::choose_format(
      FormatSet::grids,
      o.format_name ? std::optional<std::string_view>(*o.format_name) : std::nullopt, o.output,
      problem);
  if (!format) return problem;
  if (o.crs)
    if (std::string refusal = exporting::crs_refusal(FormatSet::grids, *format); !refusal.empty())
      return refusal;
  std::optional<ExportFormat> counts_format;
  if (!o.counts.empty()) {
    counts_format = exporting::choose_format(FormatSet::grids, std::nullopt, o.counts, problem);
    if (!counts_format) return "--counts: " + problem;
  }
  const std::vector<std::pair<std::string, std::string>> named = {
      {"OUTPUT", o.output}, {"--counts", o.counts}, {"--residuals", o.residuals}};
  for (std::size_t a = 0; a < named.size(); ++a)
    for (std::size_t b = a + 1; b < named.size(); ++b)
      if (!named[a].second.empty() && !named[b].second.empty() &&
          same_output(named[a].second, named[b].second))
        return named[a].first + " and " + named[b].first + " name the same file";
  out.grid = std::make_unique<ExportTarget>(
      exporting::ExportRequest{o.output, *format, o.crs.value_or(""), ""}, inputs);
  if (!out.grid->problem().empty()) return out.grid->problem();
  bool needs_gdal = exporting::format_row(*format).needs_gdal;
  if (counts_format) {
    const bool crs = o.crs && exporting::format_row(*counts_format).holds_crs;
    out.counts = std::make_unique<ExportTarget>(
        exporting::ExportRequest{o.counts, *counts_format, crs ? *o.crs : "", ""}, inputs);
    if (!out.counts->problem().empty()) return out.counts->problem();
    needs_gdal = needs_gdal || exporting::format_row(*counts_format).needs_gdal;
  }
  if (!o.residuals.empty()) {
    out.residuals = std::make_unique<OutputFile>(o.residuals, inputs);
    if (!out.residuals->problem().empty())
      return shown_text(o.residuals) + ": " + out.residuals->problem();
  }
  if (needs_gdal) out.gdal_loading.emplace();
  return {};
}

// GDAL, loaded beside the work, and each reference system as WKT.
std::string start_gdal(Outputs& out) {
  if (!out.gdal_loading) return {};
  out.gdal = out.gdal_loading->finish();
  if (out.gdal == nullptr) return "cannot load its GDAL writer: " + out.gdal_loading->problem();
  out.gdal->start_gdal();
  for (ExportTarget* target : {out.grid.get(), out.counts.get()}) {
    if (target == nullptr || target->request().crs.empty()) continue;
    exporting::ExportRequest& r = target->request();
    if (const std::string why = out.gdal->crs_wkt(r.crs, r.wkt); !why.empty())
      return "--a_srs '" + shown_text(r.crs) + "': " + shown_text(why);
  }
  return {};
}

// Whether the records of the file would not fit in half the memory available: then it is
// read in passes. The count is estimated from the lines of its first megabyte.
bool too_many_to_hold(DataReader& reader) {
  if (!reader.rereadable() || reader.size() == 0) return false;
  const std::int64_t available = available_memory();
  if (available < 0) return false;
  const std::int64_t records = reader.size() / std::max<std::int64_t>(reader.bytes_per_line(), 1);
  return records * 12 > available / 2;
}

// The grid's nodes and, with --counts, the readings of each node.
struct GridArrays {
  LargeArray<float> z;
  LargeArray<std::uint32_t> counts;
};

}  // namespace

std::string run_grid(const GridOptions& o, RunReport& report) {
  report.data_name = o.data;
  report.threads = o.threads;
  const std::vector<InputFile> inputs = existing_inputs({{"DATA", o.data}});
  DataReader reader(o.data, {o.columns, o.skip_lines, o.threads});
  if (!reader.problem().empty()) return shown_text(o.data) + ": " + reader.problem();
  Outputs out;
  if (std::string problem = prepare_outputs(o, inputs, out); !problem.empty()) return problem;
  report.passes = o.low_memory || too_many_to_hold(reader);
  if (report.passes && !reader.rereadable())
    return "--low-memory needs DATA to be a regular file, which can be read more than once";
  ProgressLine progress(!o.quiet, reader.size());

  // Step 1: the records, held in memory or only counted (passes).
  auto start = clock_type::now();
  PointStore store;
  DataSummary summary;
  progress.phase("reading");
  std::string problem = reader.read(
      [&](const RecordRun& run, std::int64_t) {
        if (!report.passes) store.append(run);
      },
      summary, progress);
  if (!problem.empty()) return shown_text(o.data) + ": " + problem;
  report.read_seconds = seconds_since(start);
  report.records = summary.records;
  report.limits = summary.limits;
  report.region = o.region;
  report.value_min = summary.values.zmin();
  report.value_max = summary.values.zmax();

  // Step 2: the grid laid, had and filled by the engine.
  start = clock_type::now();
  const engine::encoding_scalars enc = engine::encoding_of(summary.values);
  GridLayout layout;
  if (!lay_grid(o, summary.records, o.region.value_or(summary.limits), enc.zspan, layout, problem))
    return shown_text(o.data) + ": " + problem;
  report.size = layout.size;
  report.geometry = layout.geometry;
  const bool with_counts = out.counts != nullptr;
  if (!memory_for(grid_bytes(layout.size, with_counts), layout.size, problem)) return problem;
  GridArrays arrays;
  const auto nodes = std::size_t(report.nodes());
  try {
    arrays.z = LargeArray<float>(nodes);
    if (with_counts) arrays.counts = LargeArray<std::uint32_t>(nodes);
  } catch (const std::bad_alloc&) {
    memory_for(INT64_MAX, layout.size, problem);
    return problem;
  }
  // Column by column: the engine's sweeps then run in memory order.
  const engine::node_grid grid =
      engine::make_node_grid(arrays.z, layout.size.nx, layout.size.ny, layout.size.ny, 1);
  const GridGeometry& g = layout.geometry;
  engine::gridding gridding(grid, {g.xmin, g.ymin, g.dx, g.dy}, enc, o.threads, arrays.counts);
  gridding.clear();
  if (report.passes) {
    progress.phase("gridding");
    problem = reader.read(
        [&](const RecordRun& run, std::int64_t) {
          gridding.assign({&run, 1});
        },
        summary, progress);
    if (!problem.empty()) return shown_text(o.data) + ": " + problem;
  } else {
    const std::vector<RecordRun> runs = store.runs();
    gridding.assign(runs);
  }
  const engine::gridding_stats stats = gridding.finish(gridding_tension, gridding_fill_passes);
  mark_undefined_nodes(arrays.z, layout.size.nx, layout.size.ny);
  report.data_nodes = stats.data_nodes;
  report.defined_nodes = stats.data_nodes + stats.free_nodes;
  report.dropped = stats.points.ignored;
  report.outside = stats.points.out_of_range;
  report.sweeps = stats.sweeps;
  report.grid_seconds = seconds_since(start);

  // Step 3: how well the grid honours the readings, and the residuals file.
  start = clock_type::now();
  const ExportGrid placed{layout.size, layout.geometry, arrays.z, std::size_t(layout.size.ny), 1};
  std::optional<ResidualFile> residual_file;
  if (out.residuals) residual_file.emplace(out.residuals->write_path(), placed, o.threads);
  if (report.passes) {
    progress.phase("residuals");
    ResidualSums segment;
    std::int64_t segment_index = 0;
    problem = reader.read(
        [&](const RecordRun& run, std::int64_t first) {
          for (std::size_t k = 0; k < run.z.size(); ++k) {
            const std::int64_t index = first + std::int64_t(k);
            if (index / residual_segment != segment_index) {
              report.residuals.fold(segment);
              segment = ResidualSums{};
              segment_index = index / residual_segment;
            }
            if (const auto r = residual_at(placed, run.x[k], run.y[k], run.z[k]))
              segment.add(*r, index);
          }
          if (residual_file) residual_file->take(run);
        },
        summary, progress);
    report.residuals.fold(segment);
    if (!problem.empty()) return shown_text(o.data) + ": " + problem;
  } else {
    const std::vector<RecordRun> runs = store.runs();
    report.residuals = residual_sums(placed, runs, 0, o.threads);
    if (residual_file)
      for (const RecordRun& run : runs) residual_file->take(run);
    store.clear();
  }
  if (residual_file)
    if (const std::string why = residual_file->close(); !why.empty())
      return shown_text(o.residuals) + ": " + why;
  if (report.residuals.count > 0)
    report.largest_line = reader.line_of_record(report.residuals.largest_at);
  report.residual_seconds = seconds_since(start);

  // Step 4: the outputs, each complete before it takes its place.
  start = clock_type::now();
  progress.phase("writing");
  if (problem = start_gdal(out); !problem.empty()) return problem;
  if (problem = out.grid->write(placed, out.gdal, o.threads); !problem.empty()) return problem;
  if (out.counts) {
    // The counts as single reals, in place of the grid just written (exact up to 2^24
    // readings a node).
    for (std::size_t p = 0; p < nodes; ++p) arrays.z[p] = float(arrays.counts[p]);
    if (problem = out.counts->write(placed, out.gdal, o.threads); !problem.empty()) return problem;
  }
  // Every output complete: each takes its place.
  if (problem = out.grid->commit(); !problem.empty()) return problem;
  if (out.counts)
    if (problem = out.counts->commit(); !problem.empty()) return problem;
  if (out.residuals)
    if (const std::string why = out.residuals->commit(); !why.empty())
      return shown_text(o.residuals) + ": " + why;
  report.write_seconds = seconds_since(start);
  report.written.push_back(o.output);
  if (out.counts) report.written.push_back(o.counts);
  if (out.residuals) report.written.push_back(o.residuals);
  if (out.gdal != nullptr) out.gdal->end_gdal();
  return {};
}

}  // namespace plaxen::grid
