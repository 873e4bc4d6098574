// End-to-end runs of plaxen-export: plaxen grids a survey, plaxen-export writes it in every
// format, and GDAL reads each output back: its placement against plaxen's single-precision
// geometry, its values against the grid file, its nodata against the -999.0 nodes. plaxen-grid
// writing the same survey straight from the data must give the same files.
#include <cpl_conv.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "plaxen/common/capacities.h"
#include "recordio/e_field_text.h"
#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

using testsupport::run_program;
using testsupport::scratch_dir;

// GDAL with every driver, for reading back whatever the exports are.
class GdalEnvironment : public testing::Environment {
 public:
  void SetUp() override { GDALAllRegister(); }
  void TearDown() override { GDALDestroy(); }
};
const auto* const gdal_environment = testing::AddGlobalTestEnvironment(new GdalEnvironment);

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A survey: its data file and grid size, and the data limits as single reals, which the
// test reads off the data itself.
struct Survey {
  std::string name;
  std::string data;
  int nx, ny;
  float xmin = 1e35f, xmax = -1e35f, ymin = 1e35f, ymax = -1e35f;
};

// Limits of "x y value" lines, each number read into double and rounded to single, as
// plaxen reads them.
Survey with_limits(Survey s) {
  std::istringstream in(s.data);
  std::string x, y, z;
  while (in >> x >> y >> z) {
    const float fx = float(std::strtod(x.c_str(), nullptr));
    const float fy = float(std::strtod(y.c_str(), nullptr));
    s.xmin = std::min(s.xmin, fx), s.xmax = std::max(s.xmax, fx);
    s.ymin = std::min(s.ymin, fy), s.ymax = std::max(s.ymax, fy);
  }
  return s;
}

// A window of a survey whose limits are not round: 240 readings on a slanted lattice.
std::string window_data() {
  std::string text;
  char line[96];
  for (int k = 0; k < 240; ++k) {
    std::snprintf(line, sizeof line, "%.1f %.1f %.2f\n", 521234.7 + (k % 20) * 117.3,
                  4612346.2 + (k / 20) * 131.9 + (k % 7) * 3.1, 10.0 + (k % 13) * 0.75);
    text += line;
  }
  return text;
}

const Survey& survey(const std::string& name) {
  static const std::vector<Survey> surveys = {
      with_limits({"example", file_text(EXAMPLES_DIR "/points.dat"), 61, 41}),
      with_limits({"window", window_data(), 37, 23}),
      // Rows of 3001 values: the grid file continues each over two lines.
      with_limits({"long rows", "0 0 1\n3000 1 2\n1500 0.5 3\n", 3001, 2}),
  };
  for (const Survey& s : surveys)
    if (s.name == name) return s;
  throw std::logic_error("no survey " + name);
}

// `value` rounded to single precision, through memory: GCC 12's SLP vectorizer drops a
// narrowing to float that is followed by a widening to double when it packs two of them.
double single(double value) {
  volatile float rounded = static_cast<float>(value);
  return rounded;
}

// plaxen's geometry as it derives it: spacing rounded once to single precision.
struct Geometry {
  double xmin, ymin, dx, dy;
  int nx, ny;
  double node_x(int i) const { return xmin + double(i - 1) * dx; }
  double node_y(int j) const { return ymin + double(j - 1) * dy; }
};

Geometry geometry(const Survey& s) {
  const double dx = single((double(s.xmax) - double(s.xmin)) / double(s.nx - 1));
  const double dy = single((double(s.ymax) - double(s.ymin)) / double(s.ny - 1));
  return {double(s.xmin), double(s.ymin), dx, dy, s.nx, s.ny};
}

// The grid file's values, row y = ymin first.
std::vector<float> grid_values(const std::string& text) {
  std::vector<float> values;
  std::istringstream in(text);
  for (std::string field; in >> field;) values.push_back(std::strtof(field.c_str(), nullptr));
  return values;
}

// A survey gridded by plaxen in a scratch directory: data.txt and grid.txt.
struct Gridded {
  scratch_dir dir;
  const Survey& survey;
  std::vector<float> grid;
  explicit Gridded(const Survey& s) : survey(s) {
    dir.write("data.txt", s.data);
    const auto r = run_program(
        PLAXEN_PROGRAM, {},
        "data.txt\ngrid.txt\n" + std::to_string(s.nx) + " " + std::to_string(s.ny) + "\n",
        dir.path());
    EXPECT_EQ(r.exit_status, 0) << r.out << r.err;
    grid = grid_values(dir.read("grid.txt"));
    EXPECT_EQ(grid.size(), std::size_t(s.nx) * std::size_t(s.ny));
  }
  float node(int i, int j) const { return grid[std::size_t(i - 1 + (j - 1) * survey.nx)]; }
  std::int64_t undefined() const { return std::count(grid.begin(), grid.end(), -999.0f); }
};

testsupport::run_result export_to(const Gridded& g, const std::string& output,
                                  std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"data.txt", "grid.txt", std::to_string(g.survey.nx),
                                   std::to_string(g.survey.ny), output};
  args.insert(args.end(), extra.begin(), extra.end());
  return run_program(PLAXEN_EXPORT_PROGRAM, args, "", g.dir.path());
}

// A node value as the grid file holds it: its E15.7 field read back.
float as_in_grid_file(float value) {
  std::string field;
  recordio::append_e_field(field, value, 15, 7);
  return std::strtof(field.c_str(), nullptr);
}

// plaxen-grid's own run of the survey, straight from the data to `output`.
testsupport::run_result grid_to(const Gridded& g, const std::string& output,
                                std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"data.txt", output, "-n", std::to_string(g.survey.nx),
                                   std::to_string(g.survey.ny)};
  args.insert(args.end(), extra.begin(), extra.end());
  return run_program(PLAXEN_GRID_PROGRAM, args, "", g.dir.path());
}

// Reads the raster back through GDAL and checks placement, values and nodata. A raster of
// plaxen-grid (`exact`) holds the engine's values, which the grid file rounds to 7 digits.
void check_raster(const Gridded& g, const std::string& path, float nodata_written,
                  bool exact = false) {
  const Geometry geo = geometry(g.survey);
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY);
  ASSERT_NE(ds, nullptr);
  EXPECT_EQ(ds->GetRasterXSize(), geo.nx);
  EXPECT_EQ(ds->GetRasterYSize(), geo.ny);
  std::array<double, 6> gt{};
  ds->GetGeoTransform(gt.data());
  const std::array<double, 6> want = {
      geo.xmin - geo.dx / 2, geo.dx, 0.0, geo.ymin + (geo.ny - 0.5) * geo.dy, 0.0, -geo.dy};
  if (path.ends_with(".nc")) {
    // GDAL derives a netCDF geotransform from the coordinate variables (checked exactly
    // below): the same placement, up to its own rounding.
    for (std::size_t k = 0; k < 6; ++k)
      EXPECT_NEAR(gt[k], want[k], 1e-9 * geo.dx) << "coefficient " << k;
  } else {
    EXPECT_EQ(gt, want);
  }
  GDALRasterBand* band = ds->GetRasterBand(1);
  int has_nodata = 0;
  const double nodata = band->GetNoDataValue(&has_nodata);
  EXPECT_TRUE(has_nodata);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(nodata),
            std::bit_cast<std::uint64_t>(double(nodata_written)));
  std::vector<float> rows(std::size_t(geo.nx) * std::size_t(geo.ny));
  ASSERT_EQ(band->RasterIO(GF_Read, 0, 0, geo.nx, geo.ny, rows.data(), geo.nx, geo.ny, GDT_Float32,
                           0, 0, nullptr),
            CE_None);
  std::int64_t nodata_cells = 0;
  for (int r = 0; r < geo.ny; ++r)
    for (int c = 0; c < geo.nx; ++c) {
      const float got = rows[std::size_t(r * geo.nx + c)];
      const float node = g.node(c + 1, geo.ny - r);  // rows north first
      const bool missing = std::isnan(nodata_written) ? std::isnan(got) : got == nodata_written;
      nodata_cells += missing;
      if (node == -999.0f)
        EXPECT_TRUE(missing) << "node (" << c + 1 << ", " << geo.ny - r << ")";
      else
        EXPECT_EQ(exact ? as_in_grid_file(got) : got, node)
            << "node (" << c + 1 << ", " << geo.ny - r << ")";
    }
  EXPECT_EQ(nodata_cells, g.undefined());
  GDALClose(ds);
}

// The coordinate variables hold exactly xmin + (i-1)*dx and ymin + (j-1)*dy in double.
void check_coordinates(const Gridded& g, const std::string& path) {
  const Geometry geo = geometry(g.survey);
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_MULTIDIM_RASTER);
  ASSERT_NE(ds, nullptr);
  const auto root = ds->GetRootGroup();
  for (const auto& [name, count] : {std::pair{"x", geo.nx}, {"y", geo.ny}}) {
    const auto array = root->OpenMDArray(name);
    ASSERT_TRUE(array) << name;
    std::vector<double> values(static_cast<std::size_t>(count));
    const GUInt64 start = 0;
    const size_t n = values.size();
    ASSERT_TRUE(array->Read(&start, &n, nullptr, nullptr, GDALExtendedDataType::Create(GDT_Float64),
                            values.data()));
    for (int k = 1; k <= count; ++k)
      EXPECT_EQ(values[std::size_t(k - 1)],
                name == std::string("x") ? geo.node_x(k) : geo.node_y(k))
          << name << "(" << k << ")";
  }
  GDALClose(ds);
}

// Every line "x y z" names a defined node by its exact position; every defined node has one.
void check_xyz(const Gridded& g, const std::string& path, bool exact = false) {
  const Geometry geo = geometry(g.survey);
  std::istringstream in(file_text(path));
  std::int64_t lines = 0;
  for (double x, y, z; in >> x >> y >> z; ++lines) {
    const int i = int(std::lround((x - geo.xmin) / geo.dx)) + 1;
    const int j = int(std::lround((y - geo.ymin) / geo.dy)) + 1;
    ASSERT_EQ(x, geo.node_x(i));
    ASSERT_EQ(y, geo.node_y(j));
    ASSERT_EQ(exact ? as_in_grid_file(float(z)) : float(z), g.node(i, j))
        << "node (" << i << ", " << j << ")";
  }
  EXPECT_EQ(lines, std::int64_t(g.grid.size()) - g.undefined());
}

std::string crs_code(const std::string& path) {
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY);
  const OGRSpatialReference* srs = ds == nullptr ? nullptr : ds->GetSpatialRef();
  const char* code = srs == nullptr ? nullptr : srs->GetAuthorityCode(nullptr);
  std::string text = code == nullptr ? "" : code;
  // An ESRI .prj names no authority: the one system GDAL finds that matches it wholly.
  int count = 0;
  int* confidence = nullptr;
  OGRSpatialReferenceH* matches =
      srs == nullptr || code != nullptr ? nullptr : srs->FindMatches(nullptr, &count, &confidence);
  if (count == 1 && confidence[0] == 100)
    text = OGRSpatialReference::FromHandle(matches[0])->GetAuthorityCode(nullptr);
  if (matches != nullptr) OSRFreeSRSArray(matches);
  CPLFree(confidence);
  if (ds != nullptr) GDALClose(ds);
  return text;
}

// The netCDF attribute `attribute` of `variable` as GDAL reads it; "(none)" without it.
std::string netcdf_attribute(const std::string& path, const std::string& variable,
                             const std::string& attribute) {
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_MULTIDIM_RASTER);
  const auto array = ds == nullptr ? nullptr : ds->GetRootGroup()->OpenMDArray(variable);
  const auto found = array ? array->GetAttribute(attribute) : nullptr;
  const char* text = found ? found->ReadAsString() : nullptr;
  std::string value = text == nullptr ? "(none)" : text;
  if (ds != nullptr) GDALClose(ds);
  return value;
}

TEST(PlaxenExport, EveryFormatReadsBackExactly) {
  const float nan = std::nanf("");
  const std::string plain =
      "x:units=1e0;x:long_name=x coordinate, as in the data file;z:long_name=value;z:units=1";
  const std::string utm = "x:units=m;y:units=m;z:long_name=value;z:units=1";
  const std::string geo = "x:units=degrees_east;y:units=degrees_north";
  const std::vector<std::string> labels = {"--xy-units", "km",        "--z-name",
                                           "anomaly",    "--z-units", "nT"};
  struct Case {
    const char* survey;
    const char* output;
    std::vector<std::string> extra;
    std::string crs;  // EPSG code GDAL reads back; empty: none
    // An older file beside OUTPUT naming another system: OUTPUT.aux.xml of GDAL's, or for
    // AAIGrid its .prj.
    bool stale_sidecar = false;
    // Attributes of the netCDF variables as GDAL reads them: "VARIABLE:ATTRIBUTE=TEXT;...".
    std::string netcdf = {};
    bool by_grid_program = false;  // written by plaxen-grid from the data, not plaxen-export
  };
  const Case cases[] = {
      {"example", "points.tif", {"--a_srs", "EPSG:32619"}, "32619"},
      {"example", "points.tif", {"--a_srs", "EPSG:32619"}, "32619", true},
      {"example", "points.nc", {"--a_srs", "EPSG:32619"}, "32619", false, utm},
      {"example",
       "points.nc",
       {"--a_srs", "EPSG:2263"},
       "2263",
       false,
       "x:units=US_survey_foot;y:units=US_survey_foot"},
      {"example", "points.asc", {}, ""},
      {"example", "points.asc", {"--a_srs", "EPSG:32619"}, "32619", true},
      {"example", "points.xyz", {}, ""},
      {"window", "window.tif", {}, ""},
      {"window", "window.nc", {}, "", false, plain},
      {"window", "window.nc", labels, "", false, "y:units=km;z:long_name=anomaly;z:units=nT"},
      {"window", "window.xyz", {}, ""},
      {"window", "window.grid", {"-of", "netcdf", "--a_srs", "EPSG:4326"}, "4326", false, geo},
      {"long rows", "long.tif", {}, ""},
      {"example", "points.tif", {"--a_srs", "EPSG:32619"}, "32619", false, "", true},
      {"window", "window.nc", {}, "", false, plain, true},
      {"window", "window.xyz", {}, "", false, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.survey) + " -> " + c.output);
    const Gridded g(survey(c.survey));
    const std::string name = c.output;
    const bool esri = name.ends_with(".asc");
    const std::string prj = name.substr(0, name.size() - 4) + ".prj";
    if (c.stale_sidecar)
      g.dir.write(esri ? prj : name + ".aux.xml",
                  esri ? "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
                         "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\","
                         "0.0174532925199433]]"
                       : "<PAMDataset><SRS>EPSG:4326</SRS></PAMDataset>\n");
    const auto r =
        c.by_grid_program ? grid_to(g, c.output, c.extra) : export_to(g, c.output, c.extra);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    if (!c.by_grid_program) {
      EXPECT_EQ(r.out + r.err, "");
    }
    std::set<std::string> written = {"data.txt", "grid.txt", c.output};
    if (esri && !c.crs.empty()) written.insert(prj);
    EXPECT_EQ(testsupport::file_names(g.dir.path()), written);
    const std::string path = (g.dir / c.output).string();
    const bool netcdf = name.ends_with(".nc") || name.ends_with(".grid");
    if (name.ends_with(".xyz")) {
      check_xyz(g, path, c.by_grid_program);
      continue;
    }
    check_raster(g, path, esri ? -999.0f : nan, c.by_grid_program);
    if (netcdf) check_coordinates(g, path);
    EXPECT_EQ(crs_code(path), c.crs);
    std::istringstream wanted(c.netcdf);
    for (std::string item; std::getline(wanted, item, ';');) {
      const std::size_t colon = item.find(':'), equals = item.find('=');
      EXPECT_EQ(
          netcdf_attribute(path, item.substr(0, colon), item.substr(colon + 1, equals - colon - 1)),
          item.substr(equals + 1))
          << item;
    }
  }
}

// Where gmt is installed, grdinfo describes the netCDF file's region and increments exactly.
// Standard output sent to a file by the shell: the export lands where the stream stands,
// between what the shell writes before and after it, as with a pipe.
TEST(PlaxenExport, StandardOutputSentToAFileKeepsWhatTheShellWrote) {
  const Gridded g(survey("window"));
  ASSERT_EQ(export_to(g, "plain.xyz").exit_status, 0);
  const std::string nx = std::to_string(g.survey.nx), ny = std::to_string(g.survey.ny);
  for (const char* output : {"/dev/stdout", "/dev/fd/1"}) {
    SCOPED_TRACE(output);
    const auto r = run_program(
        "/bin/sh",
        {"-c", "{ echo before; \"$0\" data.txt grid.txt $1 $2 $3 -of XYZ; echo after; } > all.xyz",
         PLAXEN_EXPORT_PROGRAM, nx, ny, output},
        "", g.dir.path());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(g.dir.read("all.xyz"), "before\n" + g.dir.read("plain.xyz") + "after\n");
  }
}

TEST(PlaxenExport, GmtReadsTheNetcdfRegionExactly) {
  std::string gmt;
  for (std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : ""); gmt.empty();) {
    std::string dir;
    if (!std::getline(path, dir, ':')) break;
    if (access((dir + "/gmt").c_str(), X_OK) == 0) gmt = dir + "/gmt";
  }
  if (gmt.empty()) GTEST_SKIP() << "gmt is not installed";
  for (const char* name : {"example", "window"}) {
    SCOPED_TRACE(name);
    const Gridded g(survey(name));
    ASSERT_EQ(export_to(g, "out.nc").exit_status, 0);
    const auto r =
        run_program(gmt, {"grdinfo", "-C", "--FORMAT_FLOAT_OUT=%.17g", "out.nc"}, "", g.dir.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::istringstream fields(r.out);
    std::string file;
    double w, e, s, n, z0, z1, dx, dy, nx, ny;
    fields >> file >> w >> e >> s >> n >> z0 >> z1 >> dx >> dy >> nx >> ny;
    const Geometry geo = geometry(g.survey);
    EXPECT_EQ((std::vector<double>{w, e, s, n, dx, dy, nx, ny}),
              (std::vector<double>{geo.xmin, geo.node_x(geo.nx), geo.ymin, geo.node_y(geo.ny),
                                   geo.dx, geo.dy, double(geo.nx), double(geo.ny)}));
  }
}

TEST(PlaxenExport, RefusalsAreOneLineAndLeaveNoOutput) {
  struct Case {
    const char* what;
    std::vector<std::string> args;  // after the program name
    std::string grid;               // grid.txt content; empty: plaxen's own
    std::string err;
    std::string data = {};  // data.txt content for the export; empty: the survey's
    std::pair<std::string, std::string> link = {};  // a link made before the run: name, target
  };
  const std::string long_value = "0." + std::string(70, '7');
  // A line longer than any grid file's, refused before it ends.
  std::string long_line;
  for (int k = 0; k <= plaxen::grid_values_per_line; ++k) long_line += " 1";
  // One row beyond the node capacity.
  const std::string refused_nx = std::to_string(testsupport::edge_nx);
  const std::string refused_ny = std::to_string(testsupport::edge_ny + 1);
  const Case cases[] = {
      {"missing data file",
       {"nope.txt", "grid.txt", "37", "23", "o.tif"},
       "",
       "plaxen-export: nope.txt: No such file or directory\n"},
      {"missing grid file",
       {"data.txt", "nope.grd", "37", "23", "o.tif"},
       "",
       "plaxen-export: nope.grd: No such file or directory\n"},
      {"nx and ny swapped",
       {"data.txt", "grid.txt", "23", "37", "o.tif"},
       "",
       "plaxen-export: grid.txt: line 1 holds 37 values where a grid of 23 x 37 nodes has 23\n"},
      {"a row short",
       {"data.txt", "grid.txt", "37", "24", "o.nc"},
       "",
       "plaxen-export: grid.txt: ends after line 23 where a grid of 37 x 24 nodes has 24 lines\n"},
      {"a row too many",
       {"data.txt", "grid.txt", "37", "22", "o.nc"},
       "",
       "plaxen-export: grid.txt: line 23 holds values after the 22 lines of a grid of 37 x 22 "
       "nodes\n"},
      {"a line longer than any grid file's",
       {"data.txt", "grid.txt", "2", "2", "o.tif"},
       long_line,
       "plaxen-export: grid.txt: line 1 holds more than " +
           std::to_string(plaxen::grid_values_per_line) +
           " values where a grid of 2 x 2 nodes has 2\n"},
      {"a value that is not a number",
       {"data.txt", "grid.txt", "2", "2", "o.tif"},
       "  0.1000000E+01  0.2000000E+01\n  0.3000000E+01 x0.4000000E+01\n",
       "plaxen-export: grid.txt: line 2, value 2: \"x0.4000000E+01\" is not a number\n"},
      {"non-square cells in ESRI ASCII",
       {"data.txt", "grid.txt", "37", "23", "o.asc"},
       "",
       "plaxen-export: AAIGrid needs square cells, but dx is 61.908855 and dy is 66.795456; "
       "export to GTiff or netCDF instead\n"},
      {"unknown format",
       {"data.txt", "grid.txt", "37", "23", "o.png"},
       "",
       "plaxen-export: cannot tell the format of 'o.png' from its extension: name it .tif, .nc, "
       ".asc or .xyz, or give -of\n"},
      {"unwritable output",
       {"data.txt", "grid.txt", "37", "23", "no/such/o.tif"},
       "",
       "plaxen-export: no/such/o.tif: No such file or directory\n"},
      {"too many nodes",
       {"data.txt", "grid.txt", refused_nx, refused_ny, "o.tif"},
       "",
       "plaxen-export: " + refused_nx + " x " + refused_ny + " nodes are more than the " +
           std::to_string(plaxen::max_nodes) + " plaxen grids\n"},
      {"NX not an integer",
       {"data.txt", "grid.txt", "37.0", "23", "o.tif"},
       "",
       "plaxen-export: NX must be an integer, not '37.0'\n"},
      {"OUTPUT is the data file under another spelling",
       {"data.txt", "grid.txt", "37", "23", "./data.txt", "-of", "XYZ"},
       "",
       "plaxen-export: ./data.txt: is DATA, an input: refused, it would be overwritten\n"},
      {"OUTPUT is the data file, DATA named with a trailing blank",
       {"data.txt ", "grid.txt", "37", "23", "data.txt", "-of", "XYZ"},
       "",
       "plaxen-export: data.txt: is DATA, an input: refused, it would be overwritten\n"},
      {"a name for a format without room for it",
       {"data.txt", "grid.txt", "37", "23", "o.tif", "--z-units", "nT"},
       "",
       "plaxen-export: --z-units: GTiff files hold no names or units; export to netCDF\n"},
      {"units of x and y beside a reference system that has its own",
       {"data.txt", "grid.txt", "37", "23", "o.nc", "--a_srs", "EPSG:32619", "--xy-units", "km"},
       "",
       "plaxen-export: --xy-units: the units of x and y are those of the --a_srs system\n"},
      {"an ESRI ASCII grid whose .prj would be itself",
       {"data.txt", "grid.txt", "37", "23", "o.prj", "-of", "AAIGrid", "--a_srs", "EPSG:32619"},
       "",
       "plaxen-export: o.prj: --a_srs writes the reference system to o.prj, which needs OUTPUT "
       "to be a regular file of another name\n"},
      {"an ESRI ASCII grid whose .prj is a link to it",
       {"data.txt", "grid.txt", "2", "2", "o.asc", "--a_srs", "EPSG:32619"},
       "  0.1000000E+01  0.2000000E+01\n  0.3000000E+01  0.4000000E+01\n",
       "plaxen-export: o.asc: --a_srs writes the reference system to o.prj, which needs OUTPUT "
       "to be a regular file of another name\n",
       "0 0 1\n1 1 2\n",
       {"o.prj", "o.asc"}},
      {"non-square cells refused with a reference system: no .prj either",
       {"data.txt", "grid.txt", "37", "23", "o.asc", "--a_srs", "EPSG:32619"},
       "",
       "plaxen-export: AAIGrid needs square cells, but dx is 61.908855 and dy is 66.795456; "
       "export to GTiff or netCDF instead\n"},
      {"a reference system GeoTIFF keys cannot hold",
       {"data.txt", "grid.txt", "37", "23", "o.tif", "--a_srs", "+proj=eqearth"},
       "",
       "plaxen-export: --a_srs '+proj=eqearth': GTiff cannot hold this coordinate reference "
       "system; export to netCDF\n"},
      {"a data file without records",
       {"data.txt", "grid.txt", "37", "23", "o.tif"},
       "",
       "plaxen-export: data.txt: no records; no grid can be placed on it\n",
       "\n"},
      {"readings all at one point",
       {"data.txt", "grid.txt", "37", "23", "o.asc"},
       "",
       "plaxen-export: data.txt: the data have no extent along x; no grid can be placed on it\n",
       "1 1 1\n1 1 2\n"},
      {"a coordinate beyond single precision",
       {"data.txt", "grid.txt", "37", "23", "o.xyz"},
       "",
       "plaxen-export: data.txt: the data limits are not finite; no grid can be placed on it\n",
       "0 0 1\n1e39 1 2\n"},
      {"a grid value longer than any number, with a terminal escape in it",
       {"data.txt", "grid.txt", "2", "2", "o.xyz"},
       "1 \x1b[2J" + long_value + "\n3 4\n",
       "plaxen-export: grid.txt: line 1, value 2: \"?[2J" + long_value.substr(0, 60) +
           "...\" is not a number\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Gridded g(survey("window"));
    if (!c.grid.empty()) g.dir.write("grid.txt", c.grid);
    if (!c.data.empty()) g.dir.write("data.txt", c.data);
    std::set<std::string> files = {"data.txt", "grid.txt"};
    if (!c.link.first.empty()) {
      std::filesystem::create_symlink(c.link.second, g.dir / c.link.first);
      files.insert(c.link.first);
    }
    const std::string data = g.dir.read("data.txt"), grid = g.dir.read("grid.txt");
    const auto r = run_program(PLAXEN_EXPORT_PROGRAM, c.args, "", g.dir.path());
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(testsupport::file_names(g.dir.path()), files);
    EXPECT_EQ(g.dir.read("data.txt"), data);
    EXPECT_EQ(g.dir.read("grid.txt"), grid);
  }
}

}  // namespace
