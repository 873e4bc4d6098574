// The line zgrid writes on standard output for each point outside the grid, checked to the byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

// The fixed part of every line: one blank and the 29 characters of the message.
const std::string lead = " point out of range k,x,y,z = ";

std::string probe(const std::vector<std::string>& args) {
  testsupport::scratch_dir dir;
  const testsupport::run_result r =
      testsupport::run_program(ZGRID_PROBE_PROGRAM, args, "", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  return r.out;
}

TEST(OutOfRange, EachOutsiderGetsOneLineWithItsIndexAndValues) {
  // A 3 by 2 grid from (0, 0) with unit spacing: x in [-0.5, 2.5) and y in [-0.5, 1.5) are inside.
  const std::string out =
      probe({"3",    "2",    "0",       "0", "1", "1", "1", "1", "5",  // 1: inside
             "-3",   "2.5",  "0.001",    // 2: outside along x (y never looked at)
             "2.5",  "0",    "-7",       // 3: at nx - 0.5: outside
             "2.4",  "1.5",  "123.456",  // 4: inside along x, outside along y
             "-0.5", "-0.5", "0"});      // 5: inside, half a spacing below node 1
  // E15.4: spare blanks, sign, "0.", four digits, exponent one above the C library's.
  EXPECT_EQ(out, lead + "    2    -0.3000E+01     0.2500E+01     0.1000E-02\n" + lead +
                     "    3     0.2500E+01     0.0000E+00    -0.7000E+01\n" + lead +
                     "    4     0.2400E+01     0.1500E+01     0.1235E+03\n");
}

TEST(OutOfRange, AZeroSpacingPutsEveryPointOutside) {
  const std::string out = probe({"2", "2", "1", "1", "0", "1", "1", "1", "2", "5", "1", "-0.25"});
  EXPECT_EQ(out, lead + "    1     0.1000E+01     0.1000E+01     0.2000E+01\n" + lead +
                     "    2     0.5000E+01     0.1000E+01    -0.2500E+00\n");
}

TEST(OutOfRange, PointsInsideWriteNothing) {
  EXPECT_EQ(probe({"2", "2", "0", "0", "1", "1", "0", "0", "1", "1", "1", "2"}), "");
}

}  // namespace
