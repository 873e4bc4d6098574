// The run of plaxen-grid, step by step.
#include "plaxen/grid/grid_run.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/common/output_file.h"
#include "plaxen/common/shown_text.h"
#include "plaxen/engine/gridding.h"
#include "plaxen/export/export_output.h"
#include "plaxen/export/gdal_writer_loading.h"
#include "plaxen/grid/data_reader.h"
#include "plaxen/grid/grid_layout.h"
#include "plaxen/grid/made_grid.h"
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
  const fs::path pa = fs::weakly_canonical(fs::absolute(a), error);
  const fs::path pb = fs::weakly_canonical(fs::absolute(b), error);
  return pa == pb;
}

// Everything a run writes, prepared before the work.
struct Outputs {
  std::unique_ptr<ExportTarget> grid;
  std::unique_ptr<ExportTarget> counts;
  std::unique_ptr<OutputFile> residuals;
  bool needs_gdal = false;
  // Whether GDAL is still to load beside the reading, which then leaves it a core. Set by
  // the loading's thread when it ends: declared first, so that it outlives that thread.
  std::atomic<bool> loading_beside_reading{false};
  // Loaded beside the reading, started once the reader's threads run: threads started while
  // the dynamic loader relocates GDAL wait for it (glibc's lock for a new thread's TLS).
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
  if (std::string refusal =
          exporting::label_refusal(FormatSet::grids, *format, o.labels, o.crs.has_value());
      !refusal.empty())
    return refusal;
  std::optional<ExportFormat> counts_format;
  if (!o.counts.empty()) {
    counts_format = exporting::choose_format(FormatSet::grids, std::nullopt, o.counts, problem);
    if (!counts_format) return "--counts: " + problem;
  }
  std::vector<std::pair<std::string, std::string>> named = {
      {"OUTPUT", o.output}, {"--counts", o.counts}, {"--residuals", o.residuals}};
  // A raster whose format keeps the reference system beside it writes a .prj there too.
  const auto add_crs_file = [&](const std::string& name, const std::string& path,
                                const std::optional<ExportFormat>& raster) {
    if (!o.crs || !raster) return;
    const exporting::FormatRow& row = exporting::format_row(*raster);
    if (row.holds_crs && !row.crs_file.empty())
      named.emplace_back("the .prj of " + name, exporting::crs_file_path(path, row.crs_file));
  };
  add_crs_file("OUTPUT", o.output, format);
  add_crs_file("--counts", o.counts, counts_format);
  for (std::size_t a = 0; a < named.size(); ++a)
    for (std::size_t b = a + 1; b < named.size(); ++b)
      if (!named[a].second.empty() && !named[b].second.empty() &&
          same_output(named[a].second, named[b].second))
        return named[a].first + " and " + named[b].first + " name the same file";
  out.grid =
      std::make_unique<ExportTarget>(exporting::ExportRequest{o.output, *format, o.crs.value_or(""),
                                                              "", exporting::labels_of(o.labels)},
                                     inputs);
  if (!out.grid->problem().empty()) return out.grid->problem();
  bool needs_gdal = exporting::needs_gdal(out.grid->request());
  if (counts_format) {
    const bool crs = o.crs && exporting::format_row(*counts_format).holds_crs;
    exporting::GridLabels counts_labels = exporting::labels_of(o.labels);
    counts_labels.z_name = "readings on the node";
    counts_labels.z_units = "1";
    out.counts = std::make_unique<ExportTarget>(
        exporting::ExportRequest{o.counts, *counts_format, crs ? *o.crs : "", "", counts_labels},
        inputs);
    if (!out.counts->problem().empty()) return out.counts->problem();
    needs_gdal = needs_gdal || exporting::needs_gdal(out.counts->request());
  }
  if (!o.residuals.empty()) {
    out.residuals = std::make_unique<OutputFile>(o.residuals, inputs);
    if (!out.residuals->problem().empty())
      return shown_text(o.residuals) + ": " + out.residuals->problem();
  }
  out.needs_gdal = needs_gdal;
  return {};
}

// GDAL, loaded beside the work, and each reference system as WKT.
std::string start_gdal(Outputs& out) {
  if (!out.needs_gdal || out.gdal != nullptr) return {};
  if (!out.gdal_loading) out.gdal_loading.emplace();
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
  // A record takes two bytes at least ("/" and a newline), 12 in memory: a file whose
  // records fit half the memory even so needs no estimate from its lines.
  if (reader.size() / 2 + 1 <= available / 24) return false;
  const std::int64_t records = reader.size() / std::max<std::int64_t>(reader.bytes_per_line(), 1);
  return records * 12 > available / 2;
}

// Whether a later pass over the file found what the first found: the same record count,
// limits and value range, bit for bit.
bool same_reading(const DataSummary& a, const DataSummary& b) {
  const auto bits = [](const DataSummary& s) {
    const float reals[] = {s.limits.xmin, s.limits.xmax,   s.limits.ymin,
                           s.limits.ymax, s.values.zmin(), s.values.zmax()};
    std::array<std::uint32_t, std::size(reals)> all{};
    std::transform(std::begin(reals), std::end(reals), all.begin(),
                   [](float r) { return std::bit_cast<std::uint32_t>(r); });
    return all;
  };
  return a.records == b.records && bits(a) == bits(b);
}

// How a run reads its data: a worker fewer while GDAL loads beside the reading.
ReadSettings read_settings(const GridOptions& o, const Outputs& out) {
  ReadSettings settings{o.columns, o.skip_lines, o.threads};
  settings.core_taken = &out.loading_beside_reading;
  return settings;
}

// A run, step by step; each step returns an empty string or the line that ends the run.
class GridRun {
 public:
  GridRun(const GridOptions& o, RunReport& report)
      : o_(o), report_(report), out_(), reader_(o.data, read_settings(o, out_)) {
    team_.emplace(o.threads);
  }

  std::string run();

 private:
  std::string read_records();
  std::string lay_and_fill();
  std::string honour_and_write();
  std::string sum_residuals(const ExportGrid& placed);
  std::string write_outputs(const ExportGrid& placed);
  std::string read_again(const RecordTaker& take);
  std::string data_problem(const std::string& problem) const {
    return shown_text(o_.data) + ": " + problem;
  }

  const GridOptions& o_;
  RunReport& report_;
  Outputs out_;  // before the reader, whose settings point into it
  DataReader reader_;
  // The engine's and the residuals' threads, started before GDAL loads: while the loader
  // relocates GDAL's libraries, no thread can start. Started again after the reading when
  // GDAL has loaded (see lay_and_fill).
  std::optional<engine::worker_team> team_;
  std::optional<ProgressLine> progress_;
  PointStore store_;
  DataSummary summary_;
  MadeGrid made_;
};

std::string GridRun::run() {
  report_.data_name = o_.data;
  report_.threads = o_.threads;
  report_.region = o_.grid.region;
  if (!reader_.problem().empty()) return data_problem(reader_.problem());
  const std::vector<InputFile> inputs = existing_inputs({{"DATA", o_.data}});
  if (std::string problem = prepare_outputs(o_, inputs, out_); !problem.empty()) return problem;
  report_.passes = o_.low_memory || too_many_to_hold(reader_);
  if (report_.passes && !reader_.rereadable())
    return "--low-memory needs DATA to be a regular file, which can be read more than once";
  // A reference system is resolved before the work, so that a mistyped one is named at
  // once rather than after all the reading; GDAL then loads first, on this thread.
  if (o_.crs)
    if (std::string problem = start_gdal(out_); !problem.empty()) return problem;
  progress_.emplace(!o_.quiet, reader_.size());
  for (std::string (GridRun::*step)() :
       {&GridRun::read_records, &GridRun::lay_and_fill, &GridRun::honour_and_write})
    if (std::string problem = (this->*step)(); !problem.empty()) return problem;
  if (out_.gdal != nullptr) out_.gdal->end_gdal();
  return {};
}

// Step 1: the records, held in memory, or only counted when the file is read in passes.
std::string GridRun::read_records() {
  const auto start = clock_type::now();
  progress_->phase("reading");
  out_.loading_beside_reading.store(out_.needs_gdal && out_.gdal == nullptr);
  std::string problem;
  try {
    problem = reader_.read(
        [&](const RecordRun& run, std::int64_t) {
          if (out_.needs_gdal && !out_.gdal_loading)
            out_.gdal_loading.emplace(
                [&loading = out_.loading_beside_reading] { loading.store(false); });
          if (!report_.passes) store_.append(run);
        },
        summary_, *progress_);
  } catch (const std::bad_alloc&) {
    if (report_.passes) throw;  // nothing is held: passes would not help
    return data_problem("its records do not fit in memory; read it in passes with --low-memory");
  }
  if (!problem.empty()) return data_problem(problem);
  report_.read_seconds = seconds_since(start);
  report_.records = summary_.records;
  report_.limits = summary_.limits;
  report_.value_min = summary_.values.zmin();
  report_.value_max = summary_.values.zmax();
  return {};
}

// Step 2: the grid laid, had and filled by the engine.
std::string GridRun::lay_and_fill() {
  const auto start = clock_type::now();
  // A member that slept through the reading wakes where the system puts it then, often on
  // the core of the thread that wakes it, and the system can take tens of milliseconds to
  // move one of the two (measured: 30 ms of two members sharing a core while the other
  // idled). Threads started now are placed on the idlest cores; not while GDAL still loads.
  if (!out_.loading_beside_reading.load()) team_.emplace(o_.threads);
  if (LayRefusal refusal = lay_out(o_.grid, summary_, out_.counts != nullptr, made_);
      !refusal.line.empty())
    return refusal.from_data ? data_problem(refusal.line) : refusal.line;
  report_.size = made_.layout.size;
  report_.geometry = made_.layout.geometry;
  std::string problem;
  progress_->phase("gridding");
  fill(made_, summary_.values, *team_, [&](engine::gridding& gridding) {
    if (!report_.passes) return gridding.assign(store_.runs());
    problem = read_again([&](const RecordRun& run, std::int64_t) { gridding.assign({&run, 1}); });
  });
  if (!problem.empty()) return problem;
  const engine::gridding_stats& stats = made_.stats;
  report_.data_nodes = stats.data_nodes;
  report_.defined_nodes = stats.data_nodes + stats.free_nodes;
  report_.dropped = stats.points.ignored;
  report_.outside = stats.points.out_of_range;
  report_.sweeps = stats.sweeps;
  report_.grid_seconds = seconds_since(start);
  return {};
}

// Steps 3 and 4: how well the grid honours the readings, summed while the grid is written
// on a thread of its own (both only read it), then the other outputs. A problem of the
// residuals is named before one of the grid's writing, as when one followed the other.
std::string GridRun::honour_and_write() {
  const ExportGrid placed = made_.placed();
  double write_seconds = 0;
  std::future<std::string> grid_written = std::async(std::launch::async, [&] {
    const auto start = clock_type::now();
    std::string problem = start_gdal(out_);
    if (problem.empty()) problem = out_.grid->write(placed, out_.gdal, o_.threads);
    write_seconds = seconds_since(start);
    return problem;
  });
  auto start = clock_type::now();
  std::string problem = sum_residuals(placed);
  report_.residual_seconds = seconds_since(start);
  const std::string write_problem = grid_written.get();
  if (problem.empty()) problem = write_problem;
  if (!problem.empty()) return problem;
  start = clock_type::now();
  if (std::string why = write_outputs(placed); !why.empty()) return why;
  report_.write_seconds = write_seconds + seconds_since(start);
  return {};
}

// A later pass over the file, in passes: what it reads must be what the first pass read.
std::string GridRun::read_again(const RecordTaker& take) {
  DataSummary again;
  if (std::string problem = reader_.read(take, again, *progress_); !problem.empty())
    return data_problem(problem);
  if (!same_reading(again, summary_) || !reader_.unchanged())
    return data_problem("it changed while it was read in passes");
  return {};
}

// How well the grid honours the readings, and the residuals file.
std::string GridRun::sum_residuals(const ExportGrid& placed) {
  progress_->phase("residuals");
  std::optional<ResidualFile> file;
  if (out_.residuals) file.emplace(out_.residuals->write_path(), placed, *team_);
  if (report_.passes) {
    ResidualPass pass(placed);
    const std::string problem = read_again([&](const RecordRun& run, std::int64_t first) {
      pass.take(run, first);
      if (file) file->take(run);
    });
    if (!problem.empty()) return problem;
    report_.residuals = pass.total();
  } else {
    const std::vector<RecordRun> runs = store_.runs();
    report_.residuals = residual_sums(placed, runs, 0, *team_);
    if (file)
      for (const RecordRun& run : runs) file->take(run);
    store_.clear();
  }
  if (file)
    if (const std::string why = file->close(); !why.empty())
      return shown_text(o_.residuals) + ": " + why;
  if (report_.residuals.count > 0)
    report_.largest_line = reader_.line_of_record(report_.residuals.largest_at);
  return {};
}

// The counts in place of the grid's values written; then every output takes its place.
std::string GridRun::write_outputs(const ExportGrid& placed) {
  progress_->phase("writing");
  if (out_.counts) {
    // The counts as single reals (exact up to 2^24 readings a node).
    for (std::size_t p = 0; p < made_.z.size(); ++p) made_.z[p] = float(made_.counts[p]);
    if (std::string problem = out_.counts->write(placed, out_.gdal, o_.threads); !problem.empty())
      return problem;
  }
  if (std::string problem = out_.grid->commit(); !problem.empty()) return problem;
  if (out_.counts)
    if (std::string problem = out_.counts->commit(); !problem.empty()) return problem;
  if (out_.residuals)
    if (const std::string why = out_.residuals->commit(); !why.empty())
      return shown_text(o_.residuals) + ": " + why;
  report_.written.push_back(o_.output);
  if (!out_.grid->crs_file().empty()) report_.written.push_back(out_.grid->crs_file());
  if (out_.counts) report_.written.push_back(o_.counts);
  if (out_.counts && !out_.counts->crs_file().empty())
    report_.written.push_back(out_.counts->crs_file());
  if (out_.residuals) report_.written.push_back(o_.residuals);
  return {};
}

}  // namespace

std::string run_grid(const GridOptions& options, RunReport& report) {
  // Caught out here, so that the run's outputs have removed their temporary files.
  try {
    GridRun run(options, report);
    return run.run();
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::system_error& e) {
    // EAGAIN is what starting a thread throws when the system has no room for one.
    if (e.code() == std::errc::resource_unavailable_try_again)
      return "cannot start a thread: " + e.code().message();
    return e.code().message();
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace plaxen::grid
