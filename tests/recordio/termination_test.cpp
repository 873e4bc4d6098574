// How a run ends: the exact error reports, STOP, the end without STOP, write failures and
// the signal handlers, each run in a child process.
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/plaxen_texts.h"
#include "tests/support/run_program.h"

namespace {

const auto report = testsupport::io_report;

struct ending_case {
  std::string name;
  std::vector<std::string> args;
  std::string input;                         // standard input
  std::map<std::string, std::string> files;  // written before the run
  std::string err;                           // standard error, exactly
  int signal = SIGABRT;                      // 0: exited with `status`
  int status = -1;
  std::string out;                           // standard output, exactly
  std::map<std::string, std::string> after;  // files expected after the run

  ending_case(std::string n, std::vector<std::string> a, std::string in,
              std::map<std::string, std::string> f, std::string e)
      : name(std::move(n)),
        args(std::move(a)),
        input(std::move(in)),
        files(std::move(f)),
        err(std::move(e)) {}
  ending_case&& exits(int code) && {
    signal = 0;
    status = code;
    return std::move(*this);
  }
  ending_case&& prints(std::string text) && {
    out = std::move(text);
    return std::move(*this);
  }
  ending_case&& leaves(std::map<std::string, std::string> expected) && {
    after = std::move(expected);
    return std::move(*this);
  }
};

void run_cases(const std::vector<ending_case>& cases) {
  for (const ending_case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::scratch_dir dir;
    for (const auto& [name, content] : c.files) dir.write(name, content);
    testsupport::run_result r =
        testsupport::run_program(RECORDIO_PROBE_PROGRAM, c.args, c.input, dir.path());
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.signal, c.signal);
    if (c.signal == 0) {
      EXPECT_EQ(r.exit_status, c.status);
    }
    for (const auto& [name, content] : c.after) EXPECT_EQ(dir.read(name), content) << name;
  }
}

// The reports a list-directed read of the data file can end with.
std::string data_report(const std::string& tag, const std::string& message) {
  return report(tag + ": " + message, "11 named data.txt", "list io", "reading");
}

ending_case bad_data(const std::string& text, const std::string& types, const std::string& tag) {
  std::string message =
      tag == "invalid integer" ? "read unexpected character" : "incomprehensible list input";
  return ending_case{"data \"" + text + "\" as " + types,
                     {"open", "11", "data.txt", "old", "lread", "11", types, "end"},
                     "",
                     {{"data.txt", text}},
                     data_report(tag, message)};
}

TEST(RecordioErrorReport, IncomprehensibleListInput) {
  run_cases({
      bad_data("1 x 3\n", "rrr", "invalid number"),
      bad_data(". 2\n", "rr", "invalid number"),
      bad_data("1 2\r\n", "rrr", "invalid number"),
      bad_data("1.5e 2\n", "rr", "exponent field"),
      bad_data("1.5+\n", "r", "exponent field"),
      bad_data("1e100000000\n", "r", "exponent field"),
      bad_data("-2*5\n", "rr", "bad repetition count"),
      bad_data("*5\n", "r", "bad repetition count"),
      bad_data("0*5\n", "r", "bad repetition count"),
      bad_data(std::string(41, '1') + "*5\n", "r", "bad repetition count"),
      bad_data("12.0\n", "i", "invalid integer"),
      bad_data("1e3\n", "i", "invalid integer"),
      bad_data("2*1.5\n", "ri", "invalid integer"),
  });
}

TEST(RecordioErrorReport, EndOfFileWithoutAnEndExit) {
  run_cases({
      {"list read at the end of standard input",
       {"lread", "5", "ii"},
       "10\n",
       {},
       report("list in: end of file", "5 (unnamed)", "list io", "reading")},
      {"read started at the end",
       {"lread", "5", "i", "lread", "5", "i"},
       "10",
       {},
       report("read start: end of file", "5 (unnamed)", "list io", "reading")},
      {"A field at the end",
       {"fread", "5", "(1A80)", "80", "fread", "5", "(1A80)", "80"},
       "data.txt\n",
       {},
       report("fmt: end of file", "5 (unnamed)", "(1A80)", "reading")},
      {"A field cut by the end of the file",
       {"fread", "5", "(A40)", "40"},
       "name",
       {},
       report("fmt: end of file", "5 (unnamed)", "(A40)", "reading")},
      {"read after an A field completed by the end of the file",
       {"fread", "5", "(A4)", "4", "fread", "5", "(A4)", "4"},
       "name",
       {},
       report("read start: end of file", "5 (unnamed)", "(A4)", "reading")},
  });
}

TEST(RecordioErrorReport, Open) {
  run_cases({
      {"old file missing",
       {"fread", "5", "(1A80)", "80", "open", "11", "missing.dat", "old"},
       "x\n",
       {},
       report("open: No such file or directory", "11 named missing.dat", "", "reading")},
      ending_case{"all-blank name, after a list-directed statement",
                  {"lwrite", "6", "hello", "open", "9", "     ", "unknown"},
                  "",
                  {},
                  report("open: null file name", "9 (unnamed)", "list io", "writing")}
          .prints(" hello\n"),
      {"unknown in a directory that does not exist",
       {"open", "9", "no/such/dir/grid.txt", "unknown"},
       "",
       {},
       report("open: No such file or directory", "9 named no/such/dir/grid.txt", "", "reading")},
  });
}

// A full device must not end the run as a success; the report names the failed step.
TEST(RecordioErrorReport, WriteFailures) {
  run_cases({
      {"grid file on a full device, at STOP",
       {"open", "9", "/dev/full", "unknown", "fwrite", "9", "(A)", "row", "stop"},
       "",
       {},
       report("write: No space left on device", "9 named /dev/full", "", "writing")},
      {"grid file on a full device, at the end without STOP",
       {"open", "9", "/dev/full", "unknown", "lwrite", "9", "row"},
       "",
       {},
       report("write: No space left on device", "9 named /dev/full", "list io", "writing")},
  });
}

TEST(RecordioErrorReport, ProgramReportAndOutputBeforeIt) {
  run_cases({
      ending_case{"fail after a formatted write",
                  {"open", "9", "grid.txt", "unknown", "fwrite", "9", "(A)", "row one", "fwrite",
                   "6", "(' message')", "-", "fail", "grid", "disk trouble"},
                  "",
                  {{"grid.txt", "old much longer content\n"}},
                  report("grid: disk trouble", "6 (unnamed)", "", "writing")}
          .prints(" message\n")
          .leaves({{"grid.txt", "row one\n"}}),
  });
}

TEST(RecordioEndOfRun, StopAndTheEndWithoutStop) {
  const std::map<std::string, std::string> old_grid = {{"grid.txt", std::string(300, 'o')}};
  const std::vector<std::string> write_grid = {"open",
                                               "9",
                                               "grid.txt",
                                               "unknown",
                                               "fwrite",
                                               "9",
                                               "(A)",
                                               "row",
                                               "lwrite",
                                               "6",
                                               " too many matrix elements"};
  const std::string shown = "  too many matrix elements\n";
  const std::map<std::string, std::string> cut = {{"grid.txt", "row\n"}};
  auto with = [&](std::vector<std::string> tail) {
    std::vector<std::string> args = write_grid;
    args.insert(args.end(), tail.begin(), tail.end());
    return args;
  };
  run_cases({
      ending_case{"stop", with({"stop"}), "", old_grid, ""}.exits(0).prints(shown).leaves(cut),
      ending_case{"stop with status 1", with({"status", "1"}), "", old_grid, ""}
          .exits(1)
          .prints(shown)
          .leaves(cut),
      ending_case{"return from main", with({}), "", old_grid, ""}.exits(0).prints(shown).leaves(
          cut),
  });
}

TEST(RecordioSignals, LinesAndEndings) {
  struct signal_case {
    std::string name;
    std::string line;
    int signal;  // 0: exit status 1
  };
  const signal_case cases[] = {
      {"FPE", "Floating Exception\n", SIGABRT},
      {"ABRT", "IOT Trap\n", SIGABRT},
      {"TRAP", "Trace trap\n", SIGABRT},
      {"QUIT", "Quit signal\n", SIGABRT},
      {"INT", "Interrupt\n", 0},
      {"TERM", "Killed\n", 0},
  };
  std::vector<ending_case> runs;
  for (const signal_case& c : cases) {
    ending_case run{c.name,
                    {"open", "9", "grid.txt", "unknown", "fwrite", "9", "(A)", "row", "fwrite", "6",
                     "('shown')", "-", "raise", c.name},
                    "",
                    {{"grid.txt", std::string(300, 'o')}},
                    c.line};
    run.signal = c.signal;
    if (c.signal == 0) run.status = 1;
    runs.push_back(std::move(run).prints("shown\n").leaves({{"grid.txt", "row\n"}}));
  }
  // Interrupt and quit ignored at start stay ignored.
  runs.push_back(ending_case{
      "INT ignored", {"ignore", "INT", "raise", "INT", "lwrite", "6", "alive"}, "", {}, ""}
                     .exits(0)
                     .prints(" alive\n"));
  runs.push_back(
      ending_case{"QUIT ignored", {"ignore", "QUIT", "raise", "QUIT", "stop"}, "", {}, ""}.exits(
          0));
  run_cases(runs);
}

}  // namespace
