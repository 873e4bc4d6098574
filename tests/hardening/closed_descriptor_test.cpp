// plaxen started with standard input, output or error closed, or with nobody reading its
// standard output. A closed descriptor must not be handed to the data or grid file, or the
// dialogue and the error report would be written into them; a failing standard output must
// not keep the grid file from being written: the run fails as it would on the descriptor
// and the files stay as they should be.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/hardening/spawned_program.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using hardening::spawned_program;
using testsupport::scratch_dir;

const std::string four_points = "0 0 1\n10 0 2\n0 5 3\n10 5 4\n";
const std::string dialogue = "data.txt\ngrid.txt\n11 6\n";

// Runs plaxen in `dir` with `closed` closed at its start, the whole dialogue written at once.
hardening::ending run_closed(const scratch_dir& dir, int closed) {
  spawned_program plaxen(PLAXEN_PROGRAM, hardening::spawn_options(dir.path()).closing(closed));
  if (closed != STDIN_FILENO) plaxen.write_input(dialogue);
  return plaxen.finish();
}

// Standard output closed: the data file keeps its content, the grid file is the one a normal
// run writes, and the failed hand-over of the dialogue is reported for unit 6.
TEST(ClosedDescriptors, StandardOutput) {
  scratch_dir normal;
  normal.write("data.txt", four_points);
  ASSERT_EQ(testsupport::run_program(PLAXEN_PROGRAM, {}, dialogue, normal.path()).exit_status, 0);

  scratch_dir dir;
  dir.write("data.txt", four_points);
  const hardening::ending e = run_closed(dir, STDOUT_FILENO);
  EXPECT_EQ(e.err,
            "write: Bad file descriptor\napparent state: unit 6 (unnamed)\n"
            "lately writing sequential formatted external IO\n");
  EXPECT_EQ(e.signal, SIGABRT);
  EXPECT_EQ(dir.read("data.txt"), four_points);
  EXPECT_EQ(dir.read("grid.txt"), normal.read("grid.txt"));
}

// Standard output a pipe whose reader has gone (plaxen ... | head): the hand-over of the
// dialogue fails and is reported, and the grid file is still written in full and cut, so no
// older grid survives under the new name.
TEST(ClosedDescriptors, StandardOutputWithoutReader) {
  scratch_dir normal;
  normal.write("data.txt", four_points);
  ASSERT_EQ(testsupport::run_program(PLAXEN_PROGRAM, {}, dialogue, normal.path()).exit_status, 0);

  scratch_dir dir;
  dir.write("data.txt", four_points);
  dir.write("grid.txt", "older grid\n" + std::string(5000, 'o'));
  spawned_program plaxen(PLAXEN_PROGRAM,
                         hardening::spawn_options(dir.path()).without_output_reader());
  plaxen.write_input(dialogue);
  const hardening::ending e = plaxen.finish();
  EXPECT_EQ(e.err,
            "write: Broken pipe\napparent state: unit 6 (unnamed)\n"
            "lately writing sequential formatted external IO\n");
  EXPECT_EQ(e.signal, SIGABRT);
  EXPECT_EQ(dir.read("data.txt"), four_points);
  EXPECT_EQ(dir.read("grid.txt"), normal.read("grid.txt"));
}

// Standard error closed: the report of a bad number goes nowhere, and not into the data file.
TEST(ClosedDescriptors, StandardError) {
  scratch_dir dir;
  const std::string bad = "0 0 1\n1 2 abc\n";
  dir.write("data.txt", bad);
  const hardening::ending e = run_closed(dir, STDERR_FILENO);
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(e.signal, SIGABRT);
  EXPECT_EQ(dir.read("data.txt"), bad);
  EXPECT_FALSE(fs::exists(dir / "grid.txt"));
}

// Standard error closed: a warning nobody can see does not end the run, and goes into no
// file. (The blanking stage warns of polygons beyond the 50th.)
TEST(ClosedDescriptors, StandardErrorWarning) {
  scratch_dir dir;
  const std::string points = "0 0 1\n1 0 2\n0 1 3\n1 1 4\n";
  std::string polygons;
  for (int k = 0; k < 51; ++k) polygons += "0 0\n";
  dir.write("data.txt", points);
  dir.write("mask.bln", polygons);
  spawned_program plaxen(PLAXEN_BLANKING_PROGRAM,
                         hardening::spawn_options(dir.path()).closing(STDERR_FILENO));
  plaxen.write_input("data.txt\ngrid.txt\n2 2\nmask.bln\n");
  const hardening::ending e = plaxen.finish();
  EXPECT_EQ(e.exit_status, 0);
  EXPECT_EQ(e.signal, 0);
  EXPECT_EQ(dir.read("data.txt"), points);
  EXPECT_EQ(dir.read("mask.bln"), polygons);
  EXPECT_EQ(dir.read("grid.txt"),
            "  0.1000000E+01  0.2000000E+01\n  0.3000000E+01  0.4000000E+01\n");
}

// Standard input closed: the first read fails on it.
TEST(ClosedDescriptors, StandardInput) {
  scratch_dir dir;
  dir.write("data.txt", four_points);
  const hardening::ending e = run_closed(dir, STDIN_FILENO);
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(e.err,
            "read: Bad file descriptor\napparent state: unit 5 (unnamed)\nlast format: (1A80)\n"
            "lately reading sequential formatted external IO\n");
  EXPECT_EQ(e.signal, SIGABRT);
  EXPECT_EQ(dir.read("data.txt"), four_points);
}

}  // namespace
