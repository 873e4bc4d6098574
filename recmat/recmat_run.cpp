// recmat's main flow: arguments, buffers, scan of the log, MAT-file.
#include "recmat/recmat_run.h"

#include <signal.h>

#include <cstdio>
#include <new>

#include "recmat/command_line.h"
#include "recmat/extraction_buffers.h"
#include "recmat/fatal_error.h"
#include "recmat/log_reader.h"
#include "recmat/mat_output.h"
#include "recmat/record_scanner.h"

namespace recmat {
namespace {

void extract(const command_line& line) {
  extraction_buffers buffers(line.ndatapts);
  {
    log_reader log = log_reader::open(line.filename);
    scan_log(log, line.stepsize, buffers);
  }  // the log is closed before the MAT-file is written
  write_kvodata(buffers.widen(), buffers.rows());
}

}  // namespace

int run_recmat(int argc, const char* const* argv) {
  // Beyond a file-size limit (ulimit -f) a write fails with "File too large" and takes the
  // write-failure path (no temporary file left, an older temp.mat untouched) instead of a
  // signal that kills the run mid-file.
  signal(SIGXFSZ, SIG_IGN);
  const auto line = parse_command_line(argc, argv);
  if (!line) {
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "recmat";
    std::fprintf(stderr, "%s Usage: filename ndatapts stepsize\n", program);
    return -1;
  }
  try {
    extract(*line);
  } catch (const fatal_error& error) {
    std::fputs(error.what(), stderr);
    return -1;
  } catch (const std::bad_alloc&) {
    std::fputs("Error: Cannot allocate memory\n", stderr);
    return -1;
  }
  return 0;
}

}  // namespace recmat
