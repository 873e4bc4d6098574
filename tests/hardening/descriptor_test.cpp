// plaxen started with standard input, output or error closed, or with nobody reading its
// standard output, plaxen on files that are pipes or FIFOs, and plaxen-export writing into
// what is already there. A closed descriptor must
// not be handed to the data or grid file, or the dialogue and the error report would be
// written into them; a failing standard output must not keep the grid file from being
// written: the run fails as it would on the descriptor and the files stay as they should
// be. A pipe or FIFO is read to its end and written only once its reader is there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "plaxen/common/capacities.h"
#include "tests/hardening/spawned_program.h"
#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using hardening::spawned_program;
using testsupport::scratch_dir;

using testsupport::four_points;
const std::string dialogue = "data.txt\ngrid.txt\n11 6\n";

// plaxen with a standard descriptor closed, or nobody reading its output, or a full device
// for its errors. A closed descriptor is not handed to the data or grid file, so the
// dialogue and the report go into neither; a failing standard output does not keep the
// grid file from being written (in full and cut: no older grid survives under its name);
// a warning nobody can see does not end the run.
TEST(ClosedDescriptors, NeitherFileTakesTheirText) {
  const std::string bad = "0 0 1\n1 2 abc\n";
  std::string polygons;  // more than the blanking stage reads: it warns of the rest
  for (int k = 0; k <= plaxen::max_polygons; ++k) polygons += "0 0\n";
  const std::string small_grid = testsupport::grid_file({{1, 2}, {3, 4}});
  const std::string older = "older grid\n" + std::string(5000, 'o');
  enum class start { stdout_closed, stdout_unread, stderr_closed, stderr_full, stdin_closed };
  struct Row {
    const char* what;
    start how;
    std::string data;
    std::optional<std::string> err;  // none: not read (it goes nowhere)
    int signal;
    std::optional<std::string> grid;  // none: no grid file
  };
  const std::string unit_6 = "6 (unnamed)", writing = "writing";
  const std::string corners = "0 0 1\n1 0 2\n0 1 3\n1 1 4\n";
  const Row rows[] = {
      {"standard output closed", start::stdout_closed, four_points,
       testsupport::io_report("write: Bad file descriptor", unit_6, "", writing), SIGABRT,
       testsupport::four_points_grid()},
      {"standard output without a reader", start::stdout_unread, four_points,
       testsupport::io_report("write: Broken pipe", unit_6, "", writing), SIGABRT,
       testsupport::four_points_grid()},
      {"standard error closed: a report goes nowhere", start::stderr_closed, bad, std::nullopt,
       SIGABRT, std::nullopt},
      {"standard error closed: a warning goes nowhere", start::stderr_closed, corners, std::nullopt,
       0, small_grid},
      {"standard error on a full device: a warning it refuses", start::stderr_full, corners,
       std::nullopt, 0, small_grid},
      {"standard input closed: the first read fails", start::stdin_closed, four_points,
       testsupport::io_report("read: Bad file descriptor", "5 (unnamed)", "(1A80)", "reading"),
       SIGABRT, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    scratch_dir dir;
    dir.write("data.txt", r.data);
    const bool blanking = r.data == corners;  // its warning is the blanking stage's
    if (blanking) dir.write("mask.bln", polygons);
    if (r.grid == testsupport::four_points_grid()) dir.write("grid.txt", older);
    hardening::spawn_options options(dir.path());
    if (r.how == start::stdout_closed) options.closing(STDOUT_FILENO);
    if (r.how == start::stdout_unread) options.without_output_reader();
    if (r.how == start::stderr_closed) options.closing(STDERR_FILENO);
    if (r.how == start::stderr_full) options.errors_to("/dev/full");
    if (r.how == start::stdin_closed) options.closing(STDIN_FILENO);
    spawned_program plaxen(blanking ? PLAXEN_BLANKING_PROGRAM : PLAXEN_PROGRAM, options);
    if (r.how != start::stdin_closed)
      plaxen.write_input(blanking ? "data.txt\ngrid.txt\n2 2\nmask.bln\n" : dialogue);
    const hardening::ending e = plaxen.finish();
    if (r.signal != 0) {
      EXPECT_EQ(e.out, "");  // the dialogue never reached a reader
    }
    if (r.err) {
      EXPECT_EQ(e.err, *r.err);
    }
    EXPECT_EQ(e.signal, r.signal);
    EXPECT_EQ(e.exit_status, r.signal == 0 ? 0 : -1);
    EXPECT_EQ(dir.read("data.txt"), r.data);
    if (blanking) {
      EXPECT_EQ(dir.read("mask.bln"), polygons);
    }
    EXPECT_EQ(fs::exists(dir / "grid.txt"), r.grid.has_value());
    if (r.grid) {
      EXPECT_EQ(dir.read("grid.txt"), *r.grid);
    }
  }
}

// A FIFO and a process that writes `text` into it once a reader has opened it, then ends.
// Made before the program starts, so the writer holds none of the program's pipes; killed
// and reaped when the test is done with it.
class fifo_writer {
 public:
  fifo_writer(const fs::path& path, const std::string& text) {
    if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ > 0) return;
    const int fd = ::open(path.c_str(), O_WRONLY);
    for (std::size_t sent = 0; fd >= 0 && sent < text.size();) {
      const ssize_t n = ::write(fd, text.data() + sent, text.size() - sent);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  ~fifo_writer() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  fifo_writer(const fifo_writer&) = delete;
  fifo_writer& operator=(const fifo_writer&) = delete;

 private:
  pid_t pid_ = -1;
};

// The read end of a pipe that holds `text` and has no writer left.
int filled_pipe(const std::string& text) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const bool written = ::write(fds[1], text.data(), text.size()) == ssize_t(text.size());
  ::close(fds[1]);
  if (!written) throw std::runtime_error("cannot fill the pipe");
  return fds[0];
}

// A data file that is a FIFO fed by a writer process, or a pipe inherited as /dev/fd/3
// (plaxen 3< <(...)), is read to its end: the run is the one the same dialogue gives on a
// regular file. (Opened for reading and writing, plaxen would be a writer of the pipe
// itself and wait for ever for its end.)
TEST(PipesAndFifos, ADataFileIsReadToItsEnd) {
  scratch_dir normal;
  normal.write("data.txt", four_points);
  const auto expected = testsupport::run_program(PLAXEN_PROGRAM, {}, dialogue, normal.path());
  ASSERT_EQ(expected.exit_status, 0) << expected.err;
  for (const bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "a FIFO with a writer process" : "a pipe inherited as /dev/fd/3");
    scratch_dir dir;
    hardening::spawn_options options(dir.path());
    std::optional<fifo_writer> writer;
    int pipe_end = -1;
    if (fifo) {
      writer.emplace(dir / "data.txt", four_points);
    } else {
      pipe_end = filled_pipe(four_points);
      options.passing(pipe_end, 3);
    }
    spawned_program plaxen(PLAXEN_PROGRAM, options);
    if (pipe_end >= 0) ::close(pipe_end);
    plaxen.write_input(std::string(fifo ? "data.txt" : "/dev/fd/3") + "\ngrid.txt\n11 6\n");
    const hardening::ending e = plaxen.finish();
    EXPECT_EQ(e.out, expected.out);
    EXPECT_EQ(e.err, "");
    EXPECT_EQ(e.exit_status, 0);
    EXPECT_EQ(e.signal, 0);
    EXPECT_EQ(dir.read("grid.txt"), normal.read("grid.txt"));
  }
}

// Everything that can be read from `fd` until its writers have gone; stops after a guard
// time that only a hanging writer reaches.
std::string read_to_end(int fd) {
  std::string text;
  char buf[4096];
  while (hardening::wait_readable(fd)) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    if (n > 0) text.append(buf, static_cast<std::size_t>(n));
  }
  return text;
}

// A grid file that is a FIFO nobody reads yet: the program waits in its open for the
// reader, which then gets the whole grid. (Opened for reading and writing, the grid would
// go into the FIFO's buffer and be lost when the program ends, with exit status 0.)
TEST(PipesAndFifos, AGridFifoWaitsForItsReader) {
  const std::string grid = testsupport::four_points_grid();
  scratch_dir dir;
  dir.write("data.txt", four_points);
  ASSERT_EQ(::mkfifo((dir / "grid.fifo").c_str(), 0600), 0);
  spawned_program plaxen(PLAXEN_PROGRAM, hardening::spawn_options(dir.path()));
  plaxen.write_input("data.txt\ngrid.fifo\n11 6\n");
  ASSERT_TRUE(plaxen.wait_until_opening()) << "plaxen ended without waiting for a reader";
  const int reader = ::open((dir / "grid.fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  const std::string received = read_to_end(reader);
  ::close(reader);
  const hardening::ending e = plaxen.finish();
  EXPECT_EQ(e.exit_status, 0);
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(received, grid);
}

// A file-size limit (ulimit -f) set in the program's process: the write beyond it fails
// and takes the program's write-failure path. plaxen reports it and aborts with the grid
// file cut at the limit, so nothing of an older, longer grid survives; recmat says it
// cannot write temp.mat, leaves no temporary file and an older temp.mat as it was. (Killed
// by SIGXFSZ, plaxen would leave new rows followed by old content, recmat its temporary.)
TEST(FileSizeLimit, AWriteBeyondItIsAWriteFailure) {
  constexpr rlim_t limit = 500;
  const std::string grid = testsupport::four_points_grid();
  ASSERT_GT(grid.size(), limit);
  const std::string older = "older content\n" + std::string(5000, 'o');
  {
    SCOPED_TRACE("plaxen");
    scratch_dir dir;
    dir.write("data.txt", four_points);
    dir.write("grid.txt", older);
    spawned_program plaxen(PLAXEN_PROGRAM,
                           hardening::spawn_options(dir.path()).limiting_file_size(limit));
    plaxen.write_input(dialogue);
    const hardening::ending e = plaxen.finish();
    EXPECT_EQ(e.err,
              testsupport::io_report("write: File too large", "9 named grid.txt", "", "writing"));
    EXPECT_EQ(e.signal, SIGABRT);
    EXPECT_EQ(dir.read("grid.txt"), grid.substr(0, limit));
  }
  {
    SCOPED_TRACE("recmat");
    scratch_dir dir;
    dir.write("station.log", "");
    dir.write("temp.mat", older);
    spawned_program recmat(RECMAT_PROGRAM, hardening::spawn_options(dir.path())
                                               .arguments({"station.log", "100", "1"})
                                               .limiting_file_size(limit));
    const hardening::ending e = recmat.finish();
    EXPECT_EQ(e.err, "Error: Cannot write file temp.mat\n");
    EXPECT_EQ(e.exit_status, 255);
    EXPECT_EQ(testsupport::file_names(dir.path()),
              (std::set<std::string>{"station.log", "temp.mat"}));
    EXPECT_EQ(dir.read("temp.mat"), older);
  }
}

// What plaxen-export makes of an OUTPUT that already exists, is not a regular file or
// cannot grow: a file (through a link too) is replaced whole with its permission bits, a
// device or FIFO is written into, a format that seeks refuses them, a file-size limit is a
// reported failure; nothing stray remains and the inputs stay as they were.
TEST(ExportOutputs, ReplacedWholeOrWrittenInto) {
  struct output_case {
    const char* what;
    std::function<bool(const scratch_dir&)> prepare;  // false: the row cannot run here
    std::string output;
    std::string format;
    rlim_t limit;
    int exit_status;
    std::string err;
    std::function<void(const scratch_dir&, const std::string& out, const std::string& fifo)> check;
  };
  const std::string grid = testsupport::four_points_grid();
  std::string xyz;  // the export of a plain run
  {
    scratch_dir plain;
    plain.write("data.txt", four_points);
    plain.write("grid.txt", grid);
    EXPECT_EQ(
        testsupport::run_program(PLAXEN_EXPORT_PROGRAM,
                                 {"data.txt", "grid.txt", "11", "6", "o.xyz"}, "", plain.path())
            .exit_status,
        0);
    xyz = plain.read("o.xyz");
  }
  const std::string older = "older output\n";
  const auto nothing = [](const scratch_dir&) { return true; };
  const output_case cases[] = {
      {"a link to a regular file: the file replaced, the link and the mode kept",
       [&](const scratch_dir& d) {
         fs::permissions(d.write("real.xyz", older), fs::perms(0640));
         fs::create_symlink("real.xyz", d / "out");
         return true;
       },
       "out", "XYZ", RLIM_INFINITY, 0, "",
       [&](const scratch_dir& d, const std::string&, const std::string&) {
         EXPECT_TRUE(fs::is_symlink(d / "out"));
         EXPECT_EQ(d.read("real.xyz"), xyz);
         EXPECT_EQ(fs::status(d / "real.xyz").permissions(), fs::perms(0640));
       }},
      {"a character device is written into, not replaced",
       [](const scratch_dir& d) {
         return ::mknod((d / "out").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
       },
       "out", "XYZ", RLIM_INFINITY, 0, "",
       [](const scratch_dir& d, const std::string&, const std::string&) {
         EXPECT_TRUE(fs::is_character_file(d / "out"));
       }},
      {"a FIFO takes a text format",
       [](const scratch_dir& d) { return ::mkfifo((d / "out").c_str(), 0600) == 0; }, "out", "XYZ",
       RLIM_INFINITY, 0, "",
       [&](const scratch_dir&, const std::string&, const std::string& fifo) {
         EXPECT_EQ(fifo, xyz);
       }},
      {"a FIFO cannot take a GeoTIFF",
       [](const scratch_dir& d) { return ::mkfifo((d / "out").c_str(), 0600) == 0; }, "out",
       "GTiff", RLIM_INFINITY, 1,
       "plaxen-export: out: is a FIFO or pipe; GTiff is written by seeking and needs a regular "
       "file\n",
       nullptr},
      {"a link to standard output",
       [](const scratch_dir& d) {
         fs::create_symlink("/proc/self/fd/1", d / "out");
         return true;
       },
       "out", "XYZ", RLIM_INFINITY, 0, "",
       [&](const scratch_dir& d, const std::string& out, const std::string&) {
         EXPECT_EQ(out, xyz);
         EXPECT_TRUE(fs::is_symlink(d / "out"));
       }},
      {"beyond a file-size limit: reported, the older file kept",
       [&](const scratch_dir& d) {
         d.write("out", older);
         return true;
       },
       "out", "XYZ", 40, 1, "plaxen-export: out: File too large\n",
       [&](const scratch_dir& d, const std::string&, const std::string&) {
         EXPECT_EQ(d.read("out"), older);
       }},
      {"a GeoTIFF beyond a file-size limit: the system's words, not GDAL's",
       [&](const scratch_dir& d) {
         d.write("out", older);
         return true;
       },
       "out", "GTiff", 300, 1, "plaxen-export: out: File too large\n",
       [&](const scratch_dir& d, const std::string&, const std::string&) {
         EXPECT_EQ(d.read("out"), older);
       }},
      {"a name of 255 bytes", nothing, std::string(251, 'n') + ".xyz", "XYZ", RLIM_INFINITY, 0, "",
       nullptr},
  };
  for (const output_case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch_dir dir;
    dir.write("data.txt", four_points);
    dir.write("grid.txt", grid);
    if (!c.prepare(dir)) {
      std::printf("skipped, needs root: %s\n", c.what);
      continue;
    }
    const std::set<std::string> before = testsupport::file_names(dir.path());
    spawned_program exporter(PLAXEN_EXPORT_PROGRAM, hardening::spawn_options(dir.path())
                                                        .arguments({"data.txt", "grid.txt", "11",
                                                                    "6", c.output, "-of", c.format})
                                                        .limiting_file_size(c.limit));
    std::string received;
    if (fs::is_fifo(fs::symlink_status(dir / "out")) && c.exit_status == 0) {
      const int reader = ::open((dir / "out").c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_GE(reader, 0);
      received = read_to_end(reader);
      ::close(reader);
    }
    const hardening::ending e = exporter.finish();
    EXPECT_EQ(e.exit_status, c.exit_status);
    EXPECT_EQ(e.err, c.err);
    std::set<std::string> after = before;
    after.insert(c.output);
    EXPECT_EQ(testsupport::file_names(dir.path()), after);
    EXPECT_EQ(dir.read("data.txt"), four_points);
    EXPECT_EQ(dir.read("grid.txt"), grid);
    if (c.check) c.check(dir, e.out, received);
  }
}

}  // namespace
