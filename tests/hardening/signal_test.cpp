// Signals sent to plaxen while it waits for the operator: the message line, how the run
// ends, and what the output and the grid file hold afterwards. The program is known to be
// waiting when its output so far has arrived and the kernel shows it reading standard
// input. And signals sent to recmat and plaxen-export while they write their files, which
// they are known to do when stopped with their temporary file present. Nothing here waits a
// fixed time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "recmat/command_line.h"
#include "tests/hardening/spawned_program.h"
#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using hardening::spawn_options;
using hardening::spawned_program;
using testsupport::scratch_dir;

using testsupport::four_points;
using testsupport::refused_size;
const std::string& limits = testsupport::four_points_limits;
const std::string blanking_prompt = limits +
                                    " 11 6\n you should have a blanking file.... \n"
                                    " enter name of file ... default extent = .bln:  \n";

struct signal_case {
  const char* name;
  int signal;
  std::string line;  // on standard error
  int exit_status;   // -1: the run aborts
};

const signal_case signal_cases[] = {
    {"interrupt", SIGINT, "Interrupt\n", 1},
    {"termination", SIGTERM, "Killed\n", 1},
    {"quit", SIGQUIT, "Quit signal\n", -1},
};

void expect_ending(const hardening::ending& e, const signal_case& c) {
  EXPECT_EQ(e.err, c.line);
  EXPECT_EQ(e.exit_status, c.exit_status);
  EXPECT_EQ(e.signal, c.exit_status == -1 ? SIGABRT : 0);
}

// Waiting for nx and ny: the data limits are out, no grid file exists yet.
TEST(PlaxenSignals, WhileWaitingForTheGridSize) {
  for (const signal_case& c : signal_cases) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    dir.write("data.txt", four_points);
    spawned_program plaxen(PLAXEN_PROGRAM, spawn_options(dir.path()));
    plaxen.write_input("data.txt\ngrid.txt\n");
    ASSERT_EQ(plaxen.read_output_until(limits), limits);
    ASSERT_TRUE(plaxen.wait_until_reading_input());
    const hardening::ending e = plaxen.signal_and_wait(c.signal);
    expect_ending(e, c);
    EXPECT_EQ(e.out, limits);
    EXPECT_FALSE(fs::exists(dir / "grid.txt"));
  }
}

// Standard output going to a regular file holds the complete limits lines.
TEST(PlaxenSignals, OutputRedirectedToAFileIsComplete) {
  for (const signal_case& c : signal_cases) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    dir.write("data.txt", four_points);
    spawned_program plaxen(PLAXEN_PROGRAM,
                           spawn_options(dir.path()).output_to(dir / "transcript.txt"));
    plaxen.write_input("data.txt\ngrid.txt\n");
    ASSERT_TRUE(plaxen.wait_until_reading_input());
    expect_ending(plaxen.signal_and_wait(c.signal), c);
    EXPECT_EQ(dir.read("transcript.txt"), limits);
  }
}

// Waiting for the .bln name: the grid file is open but nothing is written to it yet, so a
// new one stays empty and an older one keeps its content, neither cut nor overwritten.
TEST(PlaxenSignals, WhileWaitingForTheBlankingFileName) {
  for (const signal_case& c : signal_cases) {
    for (const bool older : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (older ? ", older grid file" : ", new grid file"));
      scratch_dir dir;
      dir.write("data.txt", four_points);
      const std::string old_grid = "older grid, longer than anything written so far\n";
      if (older) dir.write("grid.txt", old_grid);
      spawned_program plaxen(PLAXEN_BLANKING_PROGRAM, spawn_options(dir.path()));
      plaxen.write_input("data.txt\ngrid.txt\n11 6\n");
      ASSERT_EQ(plaxen.read_output_until(blanking_prompt), blanking_prompt);
      ASSERT_TRUE(plaxen.wait_until_reading_input());
      const hardening::ending e = plaxen.signal_and_wait(c.signal);
      expect_ending(e, c);
      EXPECT_EQ(e.out, blanking_prompt);
      EXPECT_EQ(dir.read("grid.txt"), older ? old_grid : "");
    }
  }
}

// Interrupt and quit ignored when plaxen starts stay ignored: the run goes on to its end.
TEST(PlaxenSignals, IgnoredAtStartStayIgnored) {
  for (const int s : {SIGINT, SIGQUIT}) {
    SCOPED_TRACE(s == SIGINT ? "interrupt" : "quit");
    scratch_dir dir;
    dir.write("data.txt", four_points);
    spawned_program plaxen(PLAXEN_PROGRAM, spawn_options(dir.path()).ignoring(s));
    plaxen.write_input("data.txt\ngrid.txt\n");
    ASSERT_EQ(plaxen.read_output_until(limits), limits);
    ASSERT_TRUE(plaxen.wait_until_reading_input());
    ASSERT_EQ(::kill(plaxen.pid(), s), 0);
    plaxen.write_input(refused_size + "\n");
    const hardening::ending e = plaxen.finish();
    EXPECT_EQ(e.err, "");
    EXPECT_EQ(e.exit_status, 1);
    EXPECT_EQ(e.out, limits + " " + refused_size + "\n" + testsupport::too_many_nodes);
  }
}

// Waits until a file whose name begins with `prefix` is created where `watch` (an inotify
// descriptor) looks; false after a guard time that only a program that never creates it
// reaches.
bool wait_for_creation(int watch, std::string_view prefix) {
  alignas(inotify_event) char buf[4096];
  while (hardening::wait_readable(watch)) {
    const ssize_t n = ::read(watch, buf, sizeof buf);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buf + at);
      if (event->len > 0 && std::string_view(event->name).starts_with(prefix)) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return false;
}

bool temporary_file_present(const fs::path& dir, std::string_view prefix) {
  for (const std::string& name : testsupport::file_names(dir))
    if (name.starts_with(prefix)) return true;
  return false;
}

// Stops `pid` and waits until it is stopped; false when it has ended instead.
bool stop(pid_t pid) {
  ::kill(pid, SIGSTOP);
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WSTOPPED | WEXITED | WNOWAIT) == 0 &&
         info.si_code == CLD_STOPPED;
}

// A program that writes its output under a temporary name and renames it when complete.
struct writing_case {
  const char* name;
  std::filesystem::path program;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> files;  // made before the run
  std::string temporary_prefix;
  std::string older_output;  // the file of the final name, made before the run
};

// plaxen-export's job: four readings and the largest grid plaxen makes, of varied values, so
// that its GeoTIFF takes a while to compress.
std::string varied_grid() {
  std::string grid;
  char field[32];
  for (int j = 0; j < testsupport::edge_ny; ++j) {
    for (int i = 0; i < testsupport::edge_nx; ++i) {
      std::snprintf(field, sizeof field, " %.7e", double((i * 7919 + j * 104729) % 1000003) / 7);
      grid += field;
    }
    grid += "\n";
  }
  return grid;
}

// A signal that ends recmat while it writes temp.mat, or plaxen-export while it writes its
// GeoTIFF, removes the temporary file and ends the run by that signal; an older file of
// the final name stays as it was. The program is stopped as soon as its temporary file
// appears; a run that got past the rename before it stopped is tried again. A signal
// ignored when the program started stays ignored.
TEST(WritingSignals, RemoveTheTemporaryFile) {
  const writing_case cases[] = {
      {"recmat",
       RECMAT_PROGRAM,
       {"station.log", std::to_string(recmat::max_ndatapts), "1"},
       {{"station.log", ""}, {"temp.mat", "older temp.mat\n"}},
       "temp.mat.",
       "temp.mat"},
      {"plaxen-export",
       PLAXEN_EXPORT_PROGRAM,
       {"data.dat", "grid.grd", std::to_string(testsupport::edge_nx),
        std::to_string(testsupport::edge_ny), "grid.tif"},
       {{"data.dat", four_points}, {"grid.grd", varied_grid()}, {"grid.tif", "older\n"}},
       ".plaxen-",
       "grid.tif"},
  };
  for (const writing_case& c : cases) {
    // The last run ignores hang-ups from its start, as under nohup: it writes its file.
    const std::pair<int, bool> signals[] = {
        {SIGINT, false}, {SIGTERM, false}, {SIGHUP, false}, {SIGQUIT, false}, {SIGHUP, true}};
    for (const auto& [s, ignored] : signals) {
      SCOPED_TRACE(std::string(c.name) + ": " + strsignal(s) + (ignored ? " (ignored)" : ""));
      std::set<std::string> before;
      for (const auto& [name, text] : c.files) before.insert(name);
      bool signalled_while_writing = false;
      for (int attempt = 0; attempt < 5 && !signalled_while_writing; ++attempt) {
        scratch_dir dir;
        for (const auto& [name, text] : c.files) dir.write(name, text);
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE), 0);
        spawn_options options(dir.path());
        if (ignored) options.ignoring(s);
        spawned_program program(c.program, options.arguments(c.arguments));
        const bool created = wait_for_creation(watch, c.temporary_prefix);
        signalled_while_writing = created && stop(program.pid()) &&
                                  temporary_file_present(dir.path(), c.temporary_prefix);
        ::close(watch);  // only now: closing an inotify instance can take many milliseconds
        ASSERT_TRUE(created) << "no temporary file was made";
        if (signalled_while_writing) ::kill(program.pid(), s);
        ::kill(program.pid(), SIGCONT);
        const hardening::ending e = program.finish();
        if (!signalled_while_writing) continue;
        EXPECT_EQ(e.signal, ignored ? 0 : s);
        EXPECT_EQ(e.exit_status, ignored ? 0 : -1);
        EXPECT_EQ(e.err, "");
        EXPECT_EQ(testsupport::file_names(dir.path()), before);
        EXPECT_EQ(dir.read(c.older_output) == c.files.back().second, !ignored);
      }
      EXPECT_TRUE(signalled_while_writing) << "it always finished before it was stopped";
    }
  }
}

}  // namespace
