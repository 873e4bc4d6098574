// File-name prompt as the operator sees it: prompt, completed names, refusals, one question.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "tests/support/run_program.h"

namespace {

const std::string prompt = " enter name of file ... default extent = .bln:  \n";

std::string shown(const std::string& name) {
  return "[" + name + std::string(40 - name.size(), ' ') + "]\n";
}

std::string refusal(const std::string& name) {
  return " filename too long: " + name + std::string(40 - name.size(), ' ') +
         "\n process stopped in             subroutine getfname\n";
}

testsupport::run_result ask(const std::string& answer, const std::vector<std::string>& exts) {
  testsupport::scratch_dir dir;
  return testsupport::run_program(GETFNAME_PROBE_PROGRAM, exts, answer, dir.path());
}

const std::string name36(36, 'n');

TEST(Getfname, CompletesOrKeepsTheAnswer) {
  const struct {
    std::string answer;
    std::string name;
  } cases[] = {
      {"poly\n", "poly.bln"},
      {"poly.txt\n", "poly.txt"},
      {"poly.bln\n", "poly.bln"},
      {"my poly\n", "my.bln"},
      {"\n", ".bln"},
      {" poly\n", ".bln"},
      {"data.d/poly\n", "data.d/poly"},
      {"../poly\n", "../poly"},
      {name36 + "\n", name36 + ".bln"},
      {name36 + " more\n", name36 + ".bln"},
      {std::string(39, 'n') + ".\n", std::string(39, 'n') + "."},
      {"a.b" + std::string(50, 'c') + "\n", "a.b" + std::string(37, 'c')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("answer \"" + c.answer + "\"");
    const auto r = ask(c.answer, {".bln"});
    EXPECT_EQ(r.out, prompt + shown(c.name));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 0);
  }
}

// No room for the extension, or no full stop or blank at all: refused, exit status 1.
TEST(Getfname, RefusesNamesWithoutRoomForTheExtension) {
  const struct {
    std::string answer;
    std::string shown;
  } cases[] = {
      {std::string(37, 'n') + "\n", std::string(37, 'n')},
      {std::string(38, 'n') + " x\n", std::string(38, 'n')},
      {std::string(39, 'n') + "\n", std::string(39, 'n')},
      {std::string(40, 'n') + "\n", std::string(40, 'n')},
      {std::string(45, 'n') + ".bln\n", std::string(40, 'n')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("answer of " + std::to_string(c.answer.size()) + " characters");
    const auto r = ask(c.answer, {".bln"});
    EXPECT_EQ(r.out, prompt + refusal(c.shown));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exit_status, 1);
  }
}

// The second call asks nothing and completes the first answer with its own extension.
TEST(Getfname, AsksOncePerRun) {
  const auto same = ask("poly\nother\n", {".bln", ".bln"});
  EXPECT_EQ(same.out, prompt + shown("poly.bln") + shown("poly.bln"));
  const auto other = ask("poly\n", {".bln", ".dat"});
  EXPECT_EQ(other.out, prompt + shown("poly.bln") + shown("poly.dat"));
  EXPECT_EQ(other.exit_status, 0);
}

TEST(Getfname, EndOfInputEndsTheRunWithTheReport) {
  const auto r = ask("", {".bln"});
  EXPECT_EQ(r.out, prompt);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "fmt: end of file");
  EXPECT_EQ(r.signal, SIGABRT);
}

}  // namespace
