// End-to-end runs of plaxen with its blanking stage on: the .bln file masks grid nodes,
// which the grid file shows as -999.0; refusals and read failures end the run.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

using testsupport::run_program;
using testsupport::scratch_dir;

constexpr int nx = 6;
constexpr int ny = 5;

// One point on every node of the 6 x 5 grid over x = 0..5, y = 0..4, value 1..30, so that
// every node the blanking leaves free is a data node and keeps its value exactly.
int node_value(int x, int y) {
  return 1 + x + nx * y;
}

// The E15.7 field of an integer of at most seven digits, from its decimal digits.
std::string e15_7(int value) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  const std::string field = std::string(value < 0 ? " -0." : "  0.") + digits +
                            std::string(7 - digits.size(), '0') + "E+0" +
                            std::to_string(digits.size());
  return std::string(15 - field.size(), ' ') + field;
}

std::string points_file() {
  std::string text;
  for (int y = 0; y < ny; ++y) {
    for (int x = 0; x < nx; ++x) {
      text += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(node_value(x, y)) +
              "\n";
    }
  }
  return text;
}

const std::string dialogue_out =
    " data limits: xmin,xmax,ymin,ymax=\n"
    "  0.0000E+00  0.5000E+01  0.0000E+00  0.4000E+01\n"
    " 6 5\n"
    " you should have a blanking file.... \n"
    " enter name of file ... default extent = .bln:  \n";

// The expected grid file: masked(x, y) nodes at -999.0, the others at their data value.
template <typename Masked>
std::string grid_with(Masked masked) {
  std::string text;
  for (int y = 0; y < ny; ++y) {
    for (int x = 0; x < nx; ++x) text += e15_7(masked(x, y) ? -999 : node_value(x, y));
    text += '\n';
  }
  return text;
}

bool inside_a(int x, int y) {
  return (x == 2 || x == 3) && (y == 1 || y == 2);
}
bool outside_b(int x, int y) {
  return x == 5 || y == 4;
}

// Polygon A, whose inside holds the nodes (2..3, 1..2), and polygon B, whose outside is the
// column x = 5 and the row y = 4.
const std::string block_a = "4 1\n1.5 0.5\n3.5 0.5\n3.5 2.5\n1.5 2.5\n";
const std::string block_b = "4,0\n-0.5,-0.5\n4.5 -0.5\n4.5 3.5\n-0.5 3.5\n";

testsupport::run_result run_blanking(const scratch_dir& dir, const std::string& bln,
                                     const std::string& answer = "mask") {
  dir.write("points.txt", points_file());
  dir.write("mask.bln", bln);
  return run_program(PLAXEN_BLANKING_PROGRAM, {}, "points.txt\ngrid.txt\n6 5\n" + answer + "\n",
                     dir.path());
}

TEST(BlankingRun, MasksInsideOneAndOutsideAnotherPolygon) {
  scratch_dir dir;
  const auto r = run_blanking(dir, block_a + block_b);
  EXPECT_EQ(r.out, dialogue_out);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(dir.read("grid.txt"),
            grid_with([](int x, int y) { return inside_a(x, y) || outside_b(x, y); }));
}

// With no polygon the grid is the one the program writes with its blanking switch off.
TEST(BlankingRun, EmptyFileLeavesTheGridAsWithoutBlanking) {
  scratch_dir dir;
  const auto r = run_blanking(dir, "", "mask.bln");
  EXPECT_EQ(r.out, dialogue_out);
  EXPECT_EQ(r.exit_status, 0);
  scratch_dir plain;
  plain.write("points.txt", points_file());
  const auto p = run_program(PLAXEN_PROGRAM, {}, "points.txt\ngrid.txt\n6 5\n", plain.path());
  ASSERT_EQ(p.exit_status, 0);
  EXPECT_EQ(dir.read("grid.txt"), plain.read("grid.txt"));
  EXPECT_EQ(dir.read("grid.txt"), grid_with([](int, int) { return false; }));
}

// A block that announces four vertices and holds three: the record I/O layer's end-of-file
// report, and nothing of the grid is written.
TEST(BlankingRun, FileEndingInsideAVertexBlock) {
  scratch_dir dir;
  const auto r = run_blanking(dir, block_a + "4 0\n0 0\n1 0\n1 1\n");
  EXPECT_EQ(r.out, dialogue_out);
  EXPECT_EQ(r.err,
            "list in: end of file\n"
            "apparent state: unit 10 named mask.bln\n"
            "last format: list io\n"
            "lately reading sequential formatted external IO\n");
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_EQ(dir.read("grid.txt"), "");
}

std::string harmless_blocks(int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += "1 1\n0 0\n";
  return text;
}

// Fifty blocks are read; a 51st (here one that would mask every node) is not applied, and a
// warning says so.
TEST(BlankingRun, OnlyFiftyBlocksAreApplied) {
  const std::string fifty = block_a + harmless_blocks(48) + block_b;
  const struct {
    const char* name;
    std::string bln;
    std::string err;
  } cases[] = {
      {"fifty blocks, blank lines after", fifty + "\n  \n", ""},
      {"fifty-one blocks", fifty + "0 1\n",
       " blanking file holds more than 50 polygons; the rest is ignored\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    const auto r = run_blanking(dir, c.bln);
    EXPECT_EQ(r.out, dialogue_out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(dir.read("grid.txt"),
              grid_with([](int x, int y) { return inside_a(x, y) || outside_b(x, y); }));
  }
}

// Polygon A with extra vertices along its bottom edge, n vertices in all.
std::string block_a_with(int n) {
  std::string text = std::to_string(n) + " 1\n1.5 0.5\n";
  const int along_bottom = n - 4;
  for (int k = 1; k <= along_bottom; ++k) {
    char x[32];
    std::snprintf(x, sizeof x, "%.6f", 1.5 + 2.0 * k / (along_bottom + 1));
    text += std::string(x) + " 0.5\n";
  }
  return text + "3.5 0.5\n3.5 2.5\n1.5 2.5\n";
}

TEST(BlankingRun, TwoThousandVerticesFitOneMoreIsRefused) {
  scratch_dir fits;
  const auto ok = run_blanking(fits, block_a_with(2000));
  EXPECT_EQ(ok.out, dialogue_out);
  EXPECT_EQ(ok.exit_status, 0);
  EXPECT_EQ(fits.read("grid.txt"), grid_with(inside_a));

  scratch_dir refused;
  const auto r = run_blanking(refused, block_b + block_a_with(2001));
  EXPECT_EQ(r.out, dialogue_out + " blanking polygon refused, more than 2000 vertices: 2001\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(refused.read("grid.txt"), "");
}

}  // namespace
