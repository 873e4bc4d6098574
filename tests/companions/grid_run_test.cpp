// End-to-end runs of plaxen-grid: its grid compared byte for byte with plaxen's grid file
// where plaxen takes the job, and with plaxen's engine run in the test with the capacities
// lifted where plaxen refuses it; every thread count giving the same file; refusals as one
// line with nothing written; residuals of a plane sampled at the nodes. And its reader
// against plaxen's loading, for any window size.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "plaxen/common/capacities.h"
#include "plaxen/common/data_file.h"
#include "plaxen/common/scattered_data.h"
#include "plaxen/engine/zgrid.h"
#include "plaxen/grid/data_reader.h"
#include "recordio/e_field_text.h"
#include "recordio/recordio.h"
#include "tests/support/run_program.h"

namespace {

using testsupport::run_program;
using testsupport::scratch_dir;

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Scattered readings on a slanted lattice: `count` lines "x y value", some nodes taking
// many readings, values of a smooth surface.
std::string lattice(int count, double step = 1.0) {
  std::string text;
  char line[96];
  for (int k = 0; k < count; ++k) {
    const double x = (k % 173) * step + (k % 7) * 0.13, y = (k / 173 % 97) * step + (k % 5) * 0.31;
    std::snprintf(line, sizeof line, "%.2f %.2f %.3f\n", x, y, std::sin(x * 0.05) * 40 + y * 0.3);
    text += line;
  }
  return text;
}

// The same readings written every way the list-directed rules read alike: nulls, repeat
// counts, slashes, records over two lines, tabs, commas, d exponents, blank lines, CRLF,
// and a record cut by the end of the file; one record runs over 3 MB of blank lines, longer
// than a window of the reader.
std::string odd_lattice(int count, bool long_record = true) {
  std::istringstream plain(lattice(count));
  std::string text, x, y, z;
  for (int k = 0; plain >> x >> y >> z; ++k) {
    if (k == count / 2 && long_record) {
      text += x + std::string(3 << 20, '\n') + y + " " + z + "\n";
      continue;
    }
    switch (k % 11) {
      case 1:
        text += x + "\t" + y + "\n" + z + "\n";
        break;
      case 2:
        text += x + ", " + y + "," + z + " tail\n";
        break;
      case 3:
        text += x + " " + y + "\n\n  " + z + "\r\n";
        break;
      case 4:
        text += x + "d0 " + y + "D0 " + z + "\n";
        break;
      case 5:
        text += "2*" + x + " " + z + "\n";
        break;  // x and y both x
      case 6:
        text += x + " " + y + " /\n";
        break;  // the value kept from its slot: 0
      case 7:
        text += x + ",," + z + "\n";
        break;  // y kept from the record before
      default:
        text += x + " " + y + " " + z + "\n";
    }
  }
  return text + "1.5 2.5 3";  // cut by the end of the file: stored
}

// "x y value" lines written as "value x y".
std::string rotated(const std::string& text) {
  std::istringstream in(text);
  std::string out;
  for (std::string x, y, z; in >> x >> y >> z;) out += z + " " + x + " " + y + "\n";
  return out;
}

// "x y value" lines read as a plain reader does: each number to double, once to single.
struct Points {
  std::vector<float> x, y, z;
};
Points plain_points(const std::string& text) {
  Points p;
  std::istringstream in(text);
  for (std::string a, b, c; in >> a >> b >> c;) {
    p.x.push_back(float(std::strtod(a.c_str(), nullptr)));
    p.y.push_back(float(std::strtod(b.c_str(), nullptr)));
    p.z.push_back(float(std::strtod(c.c_str(), nullptr)));
  }
  return p;
}

// A geometry given outright: node (1, 1) at (xmin, ymin), spacings dx, dy.
struct Placement {
  int nx, ny;
  float xmin, ymin, dx, dy;
};

// plaxen's engine with no capacity: the grid file text plaxen would write for `points`.
std::string engine_grid_text(const Points& p, const Placement& g) {
  std::vector<float> z(std::size_t(g.nx) * std::size_t(g.ny), 0.0f);
  plaxen::zgrid(z, g.nx, 0, g.nx, g.ny, g.xmin, g.ymin, g.dx, g.dy, p.x, p.y, p.z,
                std::int32_t(p.z.size()), 3.0f, 1);
  std::string text;
  for (int j = 0; j < g.ny; ++j) {
    std::vector<float> row(z.begin() + std::ptrdiff_t(j) * g.nx,
                           z.begin() + std::ptrdiff_t(j + 1) * g.nx);
    for (float& v : row)
      if (v >= plaxen::undefined_value) v = plaxen::missing_value;
    recordio::append_e_lines(text, row, 3000, 15, 7);
  }
  return text;
}

// plaxen's own grid file for the job, or none when plaxen refuses it.
std::optional<std::string> plaxen_grid_text(const std::string& data, int nx, int ny) {
  scratch_dir dir;
  dir.write("data.txt", data);
  const auto r = run_program(
      PLAXEN_PROGRAM, {},
      "data.txt\ngrid.txt\n" + std::to_string(nx) + " " + std::to_string(ny) + "\n", dir.path());
  if (r.exit_status != 0) return std::nullopt;
  return dir.read("grid.txt");
}

// plaxen's geometry over the points' own limits: the spacing the extent over n - 1, formed
// in double and rounded once.
Placement over_limits(const Points& p, int nx, int ny) {
  const auto [x0, x1] = std::minmax_element(p.x.begin(), p.x.end());
  const auto [y0, y1] = std::minmax_element(p.y.begin(), p.y.end());
  return {nx,
          ny,
          *x0,
          *y0,
          float((double(*x1) - double(*x0)) / double(nx - 1)),
          float((double(*y1) - double(*y0)) / double(ny - 1))};
}

TEST(PlaxenGrid, GridsExactlyAsPlaxenAndItsEngine) {
  struct Case {
    const char* what;
    std::string data;
    std::vector<std::string> grid;    // the options that lay the grid
    std::optional<Placement> engine;  // none: with plaxen's own run, or over the limits
    int nx = 0, ny = 0;               // the grid size plaxen, or the engine over the limits, takes
    bool plaxen = true;               // compare with plaxen's run (else the engine's)
    std::string plaxen_data = {};     // what plaxen reads instead of `data`, when not empty
  };
  const std::string survey = file_text(EXAMPLES_DIR "/points.dat");
  const std::string big = lattice(plaxen::max_records + 3, 0.5);
  const Points big_points = plain_points(big);
  // Grid sizes compared with plaxen's run, or with the engine's over the data limits
  // (plaxen = false), or with the engine's at an explicit placement.
  const Case cases[] = {
      {"the example survey", survey, {"-n", "61", "41"}, std::nullopt, 61, 41},
      {"every way of writing a record, over several windows",
       odd_lattice(140000),
       {"-n", "173", "97"},
       std::nullopt,
       173,
       97},
      {"the same, read in passes",
       odd_lattice(140000),
       {"-n", "173", "97", "--low-memory"},
       std::nullopt,
       173,
       97},
      {"exactly plaxen's node capacity",
       lattice(20000),
       {"-n", "250", "200"},
       std::nullopt,
       250,
       200},
      {"one node past it", lattice(20000), {"-n", "250", "201"}, std::nullopt, 250, 201, false},
      {"a region inside the data",
       lattice(20000),
       {"-n", "40", "30", "-R", "20/60/10/40"},
       Placement{40, 30, 20, 10, float(40.0 / 39), float(30.0 / 29)}},
      {"a spacing instead of a count",
       lattice(20000),
       {"-I", "0.5/2", "-R", "0/50/0/90"},
       Placement{101, 46, 0, 0, 0.5f, 2.0f}},
      {"records past plaxen's capacity", big, {"-n", "300", "200"}, std::nullopt, 300, 200, false},
      {"a grid past a core's cache, filled by the whole team",
       big,
       {"-n", "520", "510"},
       std::nullopt,
       520,
       510,
       false},
      {"a header line and the fields in another order",
       "value x y\n" + rotated(lattice(20000)),
       {"-n", "90", "60", "--skip-lines", "1", "--columns", "2,3,1"},
       std::nullopt,
       90,
       60,
       true,
       lattice(20000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch_dir dir;
    dir.write("data.txt", c.data);
    std::string expected;
    if (c.engine || !c.plaxen) {
      const Points points = &c.data == &big ? big_points : plain_points(c.data);
      expected = engine_grid_text(points, c.engine ? *c.engine : over_limits(points, c.nx, c.ny));
    } else {
      const auto own = plaxen_grid_text(c.plaxen_data.empty() ? c.data : c.plaxen_data, c.nx, c.ny);
      ASSERT_TRUE(own.has_value());
      expected = *own;
    }
    for (const char* threads : {"1", "2", "3"}) {
      std::vector<std::string> args = {"data.txt",  "grid.txt", "-of",    "plaxen",
                                       "--threads", threads,    "--quiet"};
      args.insert(args.end(), c.grid.begin(), c.grid.end());
      const auto r = run_program(PLAXEN_GRID_PROGRAM, args, "", dir.path());
      ASSERT_EQ(r.exit_status, 0) << r.err;
      EXPECT_TRUE(dir.read("grid.txt") == expected) << threads << " threads";
    }
  }
}

TEST(PlaxenGrid, RefusalsAreOneLineAndWriteNothing) {
  struct Case {
    const char* what;
    std::string data;
    std::vector<std::string> args;  // after DATA
    std::string err;
    std::string limits = {};  // shell commands run before the program (ulimit)
  };
  const Case cases[] = {
      {"no records", "\n", {"o.tif", "-n", "3", "3"}, "plaxen-grid: data.txt: no records\n"},
      {"every reading at one point",
       "1 1 1\n1 1 2\n",
       {"o.nc", "-n", "3", "3"},
       "plaxen-grid: data.txt: the data have no extent along x\n"},
      {"a coordinate beyond single precision",
       "0 0 1\n1e39 1 2\n",
       {"o.xyz", "-n", "3", "3"},
       "plaxen-grid: data.txt: the data limits are not finite\n"},
      {"one node along y",
       lattice(100),
       {"o.tif", "-n", "5", "1"},
       "plaxen-grid: the grid needs at least 2 nodes along x and along y\n"},
      {"an unreadable record, by its line",
       lattice(56) + "1 2 x3\n" + lattice(5),
       {"o.tif", "-n", "5", "5"},
       "plaxen-grid: data.txt: line 57: invalid number in record 57: \"1 2 x3\"\n"},
      {"a reference system GDAL does not know, named before the data are read",
       lattice(56) + "1 2 x3\n",
       {"o.tif", "-n", "5", "5", "--a_srs", "EPSG:9999999"},
       "plaxen-grid: --a_srs 'EPSG:9999999': PROJ: proj_create_from_database: crs not found\n"},
      {"OUTPUT is the data file",
       lattice(100),
       {"./data.txt", "-of", "XYZ", "-n", "5", "5"},
       "plaxen-grid: ./data.txt: is DATA, an input: refused, it would be overwritten\n"},
      {"two outputs in one file",
       lattice(100),
       {"o.tif", "--counts", "./o.tif", "-n", "5", "5"},
       "plaxen-grid: OUTPUT and --counts name the same file\n"},
      {"the residuals in the .prj written beside OUTPUT",
       lattice(100),
       {"o.asc", "-n", "5", "5", "--a_srs", "EPSG:32619", "--residuals", "o.prj"},
       "plaxen-grid: --residuals and the .prj of OUTPUT name the same file\n"},
      {"a format it does not know",
       lattice(100),
       {"o.png", "-n", "5", "5"},
       "plaxen-grid: cannot tell the format of 'o.png' from its extension: name it .tif, .nc, "
       ".asc, .xyz or .grd, or give -of\n"},
      {"neither a count nor a spacing",
       lattice(100),
       {"o.tif"},
       "plaxen-grid: give the grid either as -n NX NY or as -I DX[/DY]\n"},
      {"a region that is not four numbers",
       lattice(100),
       {"o.tif", "-n", "5", "5", "-R", "1/2/3"},
       "plaxen-grid: -R takes XMIN/XMAX/YMIN/YMAX, not '1/2/3'\n"},
      {"a thread that cannot start: 1000 stacks of 8 MiB in 3 GB of address space",
       lattice(100),
       {"o.tif", "-n", "5", "5", "--threads", "1000"},
       "plaxen-grid: cannot start a thread: Resource temporarily unavailable\n",
       "ulimit -s 8192; ulimit -v 3000000"},
      {"a grid within the address-space limit that the process cannot have beside itself",
       lattice(100),
       {"g.txt", "-of", "plaxen", "-n", "27000", "27000"},
       "plaxen-grid: a grid of 27000 x 27000 nodes needs 3.0 GB of memory, which the system "
       "cannot give now\n",
       "ulimit -v 2940000"},  // 3007125000 bytes of grid, 3.4 MB below the limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
#ifdef __SANITIZE_ADDRESS__
    if (!c.limits.empty()) continue;  // AddressSanitizer cannot start in a limited address space
#endif
    scratch_dir dir;
    dir.write("data.txt", c.data);
    std::vector<std::string> args = {"data.txt"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (!c.limits.empty()) {
      args.insert(args.begin(), {"-c", c.limits + "; exec \"$0\" \"$@\"", PLAXEN_GRID_PROGRAM});
    }
    const auto r =
        run_program(c.limits.empty() ? PLAXEN_GRID_PROGRAM : "/bin/sh", args, "", dir.path());
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(testsupport::file_names(dir.path()), std::set<std::string>{"data.txt"});
    EXPECT_EQ(dir.read("data.txt"), c.data);
  }
}

// Readings at the nodes of a plane whose values are exact in single precision: every
// defined cell is a plane, so each reading's residual is 0, in memory and in passes.
TEST(PlaxenGrid, ResidualsOfAPlaneSampledAtTheNodesAreZero) {
  std::string data;
  for (int j = 0; j < 30; ++j)
    for (int i = 0; i < 40; ++i)
      data += std::to_string(i) + " " + std::to_string(j) + " " +
              std::to_string(3 * i - 2 * j + 7) + "\n";
  scratch_dir dir;
  dir.write("data.txt", data);
  for (const char* passes : {"--threads", "--low-memory"}) {
    SCOPED_TRACE(passes);
    const auto r = run_program(PLAXEN_GRID_PROGRAM,
                               {"data.txt", "g.tif", "-n", "40", "30", "--json", passes,
                                std::string(passes) == "--threads" ? "3" : "--quiet"},
                               "", dir.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_NE(r.out.find("\"residuals\":{\"count\":1200,\"mean\":0,\"rms\":0,\"largest\":0,"),
              std::string::npos)
        << r.out;
  }
}

}  // namespace

// --counts: every reading that fell on a node, before the cap of 20; --residuals: a line
// "x y value residual" for every reading, "nan" where the grid does not honour it; the
// report names every file written.
TEST(PlaxenGrid, CountsAndResidualsFiles) {
  std::string data;
  for (int k = 0; k < 25; ++k) data += "0 0 " + std::to_string(k) + "\n";  // node (1, 1)
  data += "10 5 7\n10 0 1\n0 5 2\n";
  scratch_dir dir;
  dir.write("data.txt", data);
  const auto r = run_program(PLAXEN_GRID_PROGRAM,
                             {"data.txt", "g.asc", "-n", "3", "2", "--a_srs", "EPSG:32619",
                              "--counts", "c.xyz", "--residuals", "r.txt"},
                             "", dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.err;
  std::string wrote;  // the report's lines naming the files written, .prj included
  std::istringstream report(r.err);
  for (std::string line; std::getline(report, line);)
    if (line.starts_with("wrote:")) wrote += line.substr(line.find_last_of(' ') + 1) + " ";
  EXPECT_EQ(wrote, "g.asc g.prj c.xyz r.txt ");
  EXPECT_EQ(dir.read("c.xyz"), "0 5 1\n5 5 0\n10 5 1\n0 0 25\n5 0 0\n10 0 1\n");
  std::istringstream residuals(dir.read("r.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(residuals, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[0], "0 0 0 9.5");  // the node holds the mean of the first 20: 9.5
  EXPECT_EQ(lines[24], "0 0 24 -14.5");
  EXPECT_EQ(lines[25], "10 5 7 0");
}

// A GeoTIFF's blocks are compressed on the run's threads: the file is the same byte for byte.
TEST(PlaxenGrid, GeoTiffTheSameForEveryThreadCount) {
  scratch_dir dir;
  dir.write("data.txt", lattice(20000));
  std::optional<std::string> first;
  for (const char* threads : {"1", "2", "3"}) {
    SCOPED_TRACE(std::string(threads) + " threads");
    const auto r = run_program(PLAXEN_GRID_PROGRAM,
                               {"data.txt", "g.tif", "-n", "400", "300", "--threads", threads}, "",
                               dir.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::string tif = dir.read("g.tif");
    if (!first) first = tif;
    EXPECT_TRUE(tif == *first);
  }
}

// The reader against plaxen's own loading of the same file, window sizes from a few bytes
// (every record runs over windows, the general rules and the scan take turns) to whole
// windows, on one thread, on three, and on two of which one yields its core throughout:
// the same records, bit for bit, and the same limits.
TEST(DataReader, ReadsWhatPlaxenReadsForAnyWindow) {
  scratch_dir dir;
  const std::string text = odd_lattice(3000, false) + "\n\n";
  const std::string path = dir.write("data.txt", text).string();
  recordio::open(plaxen::data_unit, path, "old");
  const plaxen::LoadResult own = plaxen::load_scattered_data(plaxen::data_unit);
  recordio::close(plaxen::data_unit);
  const std::int32_t n = plaxen::points.n;
  for (const std::size_t window :
       {std::size_t{7}, std::size_t{64}, std::size_t{1000}, std::size_t{1} << 20}) {
    for (const int threads : {1, 3, -2}) {
      SCOPED_TRACE(testing::Message() << window << "-byte windows, " << threads << " threads");
      const std::atomic<bool> taken = true;  // never given back
      plaxen::grid::DataReader reader(
          path, {{1, 2, 3}, 0, std::abs(threads), window, threads < 0 ? &taken : nullptr});
      std::vector<float> x, y, z;
      plaxen::grid::DataSummary summary;
      plaxen::grid::ProgressLine quiet(false, 0);
      const std::string problem = reader.read(
          [&](const plaxen::grid::RecordRun& run, std::int64_t first) {
            EXPECT_EQ(first, std::int64_t(z.size()));
            x.insert(x.end(), run.x.begin(), run.x.end());
            y.insert(y.end(), run.y.begin(), run.y.end());
            z.insert(z.end(), run.z.begin(), run.z.end());
          },
          summary, quiet);
      ASSERT_EQ(problem, "");
      ASSERT_EQ(std::int64_t(z.size()), n);
      for (std::int32_t k = 0; k < n; ++k) {
        ASSERT_EQ(std::bit_cast<std::uint32_t>(x[std::size_t(k)]),
                  std::bit_cast<std::uint32_t>(plaxen::points.xp[k + 1]))
            << "record " << k + 1;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(y[std::size_t(k)]),
                  std::bit_cast<std::uint32_t>(plaxen::points.yp[k + 1]))
            << "record " << k + 1;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(z[std::size_t(k)]),
                  std::bit_cast<std::uint32_t>(plaxen::points.zp[k + 1]))
            << "record " << k + 1;
      }
      EXPECT_EQ(summary.limits.xmin, own.limits.xmin);
      EXPECT_EQ(summary.limits.xmax, own.limits.xmax);
      EXPECT_EQ(summary.limits.ymin, own.limits.ymin);
      EXPECT_EQ(summary.limits.ymax, own.limits.ymax);
    }
  }
}

// The line of a record, as the report names the reading with the largest residual: read
// again where lines hold records and blank lines, counted where every line is a record.
TEST(DataReader, NamesTheLineOfARecord) {
  scratch_dir dir;
  std::istringstream lines(lattice(3000));
  std::string text;
  int k = 0;
  for (std::string line; std::getline(lines, line); ++k)
    text += line + (k % 1000 == 999 ? "\n\n" : "\n");  // a blank line after every 1000th
  const std::string path = dir.write("data.txt", text).string();
  for (const std::size_t window : {std::size_t{64}, std::size_t{5000}, std::size_t{1} << 20}) {
    plaxen::grid::DataReader reader(path, {{1, 2, 3}, 0, 3, window});
    plaxen::grid::DataSummary summary;
    plaxen::grid::ProgressLine quiet(false, 0);
    ASSERT_EQ(reader.read([](const plaxen::grid::RecordRun&, std::int64_t) {}, summary, quiet), "");
    for (const std::int64_t record : {0, 998, 999, 1000, 1001, 2500, k - 1})
      EXPECT_EQ(reader.line_of_record(record), record + 1 + record / 1000)
          << window << "-byte windows, record " << record;
  }
}

// A file written to after it was opened is not the file read first, even when it holds
// the same records in another order (the same count, limits and values): plaxen-grid reading
// it in passes then refuses it.
TEST(DataReader, KnowsAFileWrittenSinceItWasOpened) {
  scratch_dir dir;
  const std::string text = lattice(100);
  const std::string path = dir.write("data.txt", text).string();
  plaxen::grid::DataReader reader(path, {{1, 2, 3}, 0, 1});
  EXPECT_TRUE(reader.unchanged());
  const auto opened = std::filesystem::last_write_time(path);
  const std::size_t half = text.find('\n', text.size() / 2) + 1;
  dir.write("data.txt", text.substr(half) + text.substr(0, half));
  std::filesystem::last_write_time(path, opened + std::chrono::seconds(1));
  EXPECT_FALSE(reader.unchanged());
}

// Memory a worker cannot have for its window (2^62 bytes, beyond any address space) reaches
// the caller as std::bad_alloc, its threads stopped, instead of ending the process.
TEST(DataReader, AWindowThatCannotBeHadReachesTheCaller) {
  scratch_dir dir;
  const std::string path = dir.write("data.txt", lattice(100)).string();
  for (const int threads : {1, 3}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    plaxen::grid::DataReader reader(path, {{1, 2, 3}, 0, threads, std::size_t{1} << 62});
    plaxen::grid::DataSummary summary;
    plaxen::grid::ProgressLine quiet(false, 0);
    EXPECT_THROW(reader.read([](const plaxen::grid::RecordRun&, std::int64_t) {}, summary, quiet),
                 std::bad_alloc);
  }
}
