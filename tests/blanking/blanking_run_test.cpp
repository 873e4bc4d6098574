// End-to-end runs of plaxen with its blanking stage on: the .bln file masks grid nodes,
// which the grid file shows as -999.0; refusals and read failures end the run.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "plaxen/common/capacities.h"
#include "tests/support/plaxen_texts.h"
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
    for (int x = 0; x < nx; ++x)
      text += testsupport::e15_7(masked(x, y) ? testsupport::undefined_node : node_value(x, y));
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

std::string harmless_blocks(int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += "1 1\n0 0\n";
  return text;
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

// One .bln file a row, answered "mask" (or as given) at the prompt: what plaxen_blanking
// says and how it ends, and the grid file it leaves.
TEST(BlankingRun, MasksWithThePolygonsOfTheFile) {
  const std::string masked_ab =
      grid_with([](int x, int y) { return inside_a(x, y) || outside_b(x, y); });
  // As many blocks as the stage reads, A first and B last.
  const std::string most = block_a + harmless_blocks(plaxen::max_polygons - 2) + block_b;
  struct Row {
    const char* what;
    std::string bln;
    std::string out_tail;  // after the dialogue
    std::string err;
    int exit_status;
    std::string grid;
    std::string answer = "mask";
  };
  const Row rows[] = {
      {"inside one polygon and outside another", block_a + block_b, "", "", 0, masked_ab},
      // The grid the program writes with its blanking switch off.
      {"an empty file masks nothing", "", "", "", 0, grid_with([](int, int) { return false; }),
       "mask.bln"},
      // The record I/O layer's end-of-file report, and nothing of the grid is written.
      {"a file ending inside a vertex block", block_a + "4 0\n0 0\n1 0\n1 1\n", "",
       testsupport::io_report("list in: end of file", "10 named mask.bln", "list io", "reading"),
       -1, ""},
      {"as many blocks as are read, blank lines after", most + "\n  \n", "", "", 0, masked_ab},
      // One more block (one that would mask every node) is not applied, and a warning says so.
      {"one block more", most + "0 1\n", "",
       " blanking file holds more than " + std::to_string(plaxen::max_polygons) +
           " polygons; the rest is ignored\n",
       0, masked_ab},
      {"as many vertices as a polygon holds", block_a_with(plaxen::max_vertices), "", "", 0,
       grid_with(inside_a)},
      {"one vertex more: refused", block_b + block_a_with(plaxen::max_vertices + 1),
       " blanking polygon refused, more than " + std::to_string(plaxen::max_vertices) +
           " vertices: " + std::to_string(plaxen::max_vertices + 1) + "\n",
       "", 1, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    scratch_dir dir;
    dir.write("points.txt", points_file());
    dir.write("mask.bln", r.bln);
    const auto run = run_program(PLAXEN_BLANKING_PROGRAM, {},
                                 "points.txt\ngrid.txt\n6 5\n" + r.answer + "\n", dir.path());
    EXPECT_EQ(run.out, dialogue_out + r.out_tail);
    EXPECT_EQ(run.err, r.err);
    EXPECT_EQ(run.exit_status, r.exit_status);
    EXPECT_EQ(run.signal, r.exit_status == -1 ? SIGABRT : 0);
    EXPECT_EQ(dir.read("grid.txt"), r.grid);
  }
}

}  // namespace
