// MAT-file reading through SciPy for recmat's end-to-end tests.
#include "tests/recmat/mat_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <sstream>
#include <stdexcept>

#include "tests/recmat/log_text.h"
#include "tests/support/run_program.h"

namespace recmat_test {
namespace {

// Prints the variable count, then per variable a line "name class complex rows columns"
// and a line with its real data as little-endian doubles in hex, column-major.
constexpr const char* reader_script = R"(
import sys
try:
    import numpy, scipy.io
except ImportError as error:
    sys.exit("reading MAT-files needs SciPy for /usr/bin/python3 (Debian python3-scipy): %s" % error)
path = sys.argv[1]
found = scipy.io.whosmat(path)
data = scipy.io.loadmat(path)
print(len(found))
for name, shape, mat_class in found:
    value = data[name]
    print(name, mat_class, int(numpy.iscomplexobj(value)), *value.shape)
    print(numpy.asarray(value.real, dtype='<f8').tobytes(order='F').hex())
)";

int hex_digit(char c) {
  return c <= '9' ? c - '0' : c - 'a' + 10;
}

// Little-endian doubles written as hex, 16 digits each, into their bit patterns.
std::vector<std::uint64_t> bits_of(const std::string& hex) {
  std::vector<std::uint64_t> bits(hex.size() / 16);
  for (std::size_t i = 0; i < bits.size(); ++i)
    for (std::size_t byte = 0; byte < 8; ++byte) {
      const char* digits = hex.data() + 16 * i + 2 * byte;
      const auto value =
          static_cast<std::uint64_t>(hex_digit(digits[0]) * 16 + hex_digit(digits[1]));
      bits[i] |= value << (8 * byte);
    }
  return bits;
}

}  // namespace

mat_contents read_mat_file(const std::filesystem::path& file) {
  mat_contents contents;
  testsupport::run_result run;
  try {
    run = testsupport::run_program("/usr/bin/python3", {"-c", reader_script, file.string()}, "",
                                   file.parent_path());
  } catch (const std::runtime_error& error) {
    contents.error = std::string(error.what()) + " (the tests need /usr/bin/python3 with SciPy)";
    return contents;
  }
  if (run.exit_status != 0) {
    contents.error = "reading " + file.string() + " failed: " + run.err;
    return contents;
  }
  std::istringstream out(run.out);
  std::string line;
  std::getline(out, line);
  const int count = std::stoi(line);
  for (int i = 0; i < count; ++i) {
    mat_variable variable;
    std::getline(out, line);
    std::istringstream header(line);
    header >> variable.name >> variable.mat_class >> variable.complex >> variable.rows >>
        variable.columns;
    std::getline(out, line);
    variable.bits = bits_of(line);
    contents.variables.push_back(variable);
  }
  return contents;
}

void expect_kvodata(const std::filesystem::path& dir, int rows,
                    const std::vector<double>& expected) {
  const mat_contents mat = read_mat_file(dir / "temp.mat");
  ASSERT_EQ(mat.error, "");
  ASSERT_EQ(mat.variables.size(), 1u);
  const mat_variable& kvodata = mat.variables[0];
  EXPECT_EQ(kvodata.name, "kvodata");
  EXPECT_EQ(kvodata.mat_class, "double");
  EXPECT_FALSE(kvodata.complex);
  EXPECT_EQ(kvodata.rows, static_cast<std::size_t>(rows));
  EXPECT_EQ(kvodata.columns, static_cast<std::size_t>(recmat_test::columns));
  ASSERT_EQ(kvodata.bits.size(), expected.size());
  int wrong = 0;
  for (std::size_t i = 0; i < expected.size() && wrong < 10; ++i)
    if (kvodata.bits[i] != std::bit_cast<std::uint64_t>(expected[i])) {
      ++wrong;
      ADD_FAILURE() << "row " << i % static_cast<std::size_t>(rows) << " column "
                    << i / static_cast<std::size_t>(rows) + 1 << ": "
                    << std::bit_cast<double>(kvodata.bits[i]) << " instead of " << expected[i];
    }
}

}  // namespace recmat_test
