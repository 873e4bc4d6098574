// Fuzz target: recmat's log scanner on arbitrary log bytes.
//
// The bytes are the log; the scanner steps through it with the chosen ndatapts and
// stepsize and fills the column buffers (temp.mat is not written: that stage only copies
// the buffers). Besides surviving any bytes, the scanner must take no more rows than asked
// for, and every line of the log, parsed with each record line's format, must give
// exactly what the C library's sscanf gives.
//
// Input: one byte of ndatapts (0 to 63), one byte choosing stepsize (-2 to 6, or one of
// the extremes of 32 bits), then the log.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "recmat/extraction_buffers.h"
#include "recmat/fatal_error.h"
#include "recmat/line_format.h"
#include "recmat/log_reader.h"
#include "recmat/record_scanner.h"

namespace {

int stepsize_for(std::uint8_t b) {
  switch (b % 12) {
    case 9:
      return INT_MAX;
    case 10:
      return INT_MIN;
    case 11:
      return 306783379;  // 7 * (stepsize - 1) just past 2^31
    default:
      return b % 12 - 2;
  }
}

// sscanf with the record line's own format, its stored values in order.
int reference_scan(int line, const char* text, recmat::line_values& v) {
  int n = 0;
  switch (line) {
    case 1:
      n = std::sscanf(text, "%f:%f:%f:%f:%f:%f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
      break;
    case 2:
      n = std::sscanf(text, "%f:%f:%f:%f", &v[0], &v[1], &v[2], &v[3]);
      break;
    case 3:
      n = std::sscanf(text, "%*f %f N %f", &v[0], &v[1]);
      break;
    case 4:
      n = std::sscanf(text, "%f", &v[0]);
      break;
    case 5:
      n = std::sscanf(text, "%f %f %f %*d %*d %f %f", &v[0], &v[1], &v[2], &v[3], &v[4]);
      break;
    default:
      n = std::sscanf(text, "%f %f %f %f %f", &v[0], &v[1], &v[2], &v[3], &v[4]);
      break;
  }
  return n < 0 ? 0 : n;
}

constexpr const char* line_formats[] = {
    "%f:%f:%f:%f:%f:%f",      "%f:%f:%f:%f",   "%*f %f N %f", "%f",
    "%f %f %f %*d %*d %f %f", "%f %f %f %f %f"};

// Every line of the log as the line buffer would hold it (up to 99 characters), under
// every record line's format: the shortcut must agree with sscanf.
void check_line_formats(std::string_view log) {
  while (!log.empty()) {
    std::size_t end = std::min<std::size_t>({log.find('\n'), log.size(), 98});
    const std::string text(log.substr(0, std::min(end + 1, log.size())));
    log.remove_prefix(std::min(end + 1, log.size()));
    for (int line = 1; line <= 6; ++line) {
      recmat::line_values got{}, want{};
      const int got_count = recmat::scan_line(line_formats[line - 1], text.c_str(), got);
      const int want_count = reference_scan(line, text.c_str(), want);
      if (got_count != want_count || std::memcmp(got.data(), want.data(), sizeof got) != 0)
        fuzzing::fail("record line parsed unlike sscanf", text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::input_reader in({data, size});
  const int ndatapts = in.byte() % 64;
  const int stepsize = stepsize_for(in.byte());
  const auto rest = in.rest();
  const std::string_view log(reinterpret_cast<const char*>(rest.data()), rest.size());

  const int fd = fuzzing::memory_file(log);
  std::FILE* stream = fdopen(fd, "r");
  if (stream == nullptr) fuzzing::fail("cannot open the in-memory log");
  recmat::extraction_buffers buffers(ndatapts);
  int rows = 0;
  try {
    recmat::log_reader reader(stream, "fuzz.log");
    rows = recmat::scan_log(reader, stepsize, buffers);
    if (std::strlen(reader.line()) >= recmat::log_reader::buffer_size)
      fuzzing::fail("line buffer overfilled");
  } catch (const recmat::fatal_error& e) {
    fuzzing::fail("reading an in-memory log failed", e.what());
  }
  if (rows < 0 || rows > ndatapts) fuzzing::fail("more rows than asked for");
  const std::vector<double>& staged = buffers.widen();
  for (int c = 1; c <= recmat::extraction_buffers::column_count; ++c)
    for (int r = 0; r < ndatapts; ++r) {
      const double widened = staged[static_cast<std::size_t>((c - 1) * ndatapts + r)];
      const float value = buffers.at(c, r);
      if (!(widened == static_cast<double>(value) || (std::isnan(widened) && std::isnan(value))))
        fuzzing::fail("widening changed a value");
      if (r >= rows + 1 && value != 0.0f) fuzzing::fail("a row after the last one taken is filled");
    }
  check_line_formats(log);
  return 0;
}
