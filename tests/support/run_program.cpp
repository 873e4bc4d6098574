// Process runner and scratch directories for the end-to-end tests.
#include "tests/support/run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace testsupport {
namespace {

struct pipe_pair {
  int fd[2] = {-1, -1};
  pipe_pair() {
    if (pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  }
  ~pipe_pair() {
    for (int f : fd)
      if (f >= 0) close(f);
  }
  void close_end(int which) {
    if (fd[which] >= 0) close(fd[which]);
    fd[which] = -1;
  }
};

// Feeds `input` to the child and drains its two output pipes at the same time, so that
// neither side blocks on a full pipe.
void exchange(pipe_pair& in, pipe_pair& out, pipe_pair& err, const std::string& input,
              run_result& r) {
  std::size_t sent = 0;
  if (input.empty()) in.close_end(1);
  char buf[65536];
  while (out.fd[0] >= 0 || err.fd[0] >= 0) {
    pollfd fds[3];
    int n = 0;
    int idx_in = -1, idx_out = -1, idx_err = -1;
    if (in.fd[1] >= 0) {
      idx_in = n;
      fds[n++] = {in.fd[1], POLLOUT, 0};
    }
    if (out.fd[0] >= 0) {
      idx_out = n;
      fds[n++] = {out.fd[0], POLLIN, 0};
    }
    if (err.fd[0] >= 0) {
      idx_err = n;
      fds[n++] = {err.fd[0], POLLIN, 0};
    }
    if (poll(fds, nfds_t(n), -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    if (idx_in >= 0 && fds[idx_in].revents) {
      ssize_t w = ::write(in.fd[1], input.data() + sent, input.size() - sent);
      if (w > 0) sent += static_cast<std::size_t>(w);
      if (w < 0 || sent == input.size()) in.close_end(1);
    }
    auto drain = [&](int idx, pipe_pair& p, std::string& to) {
      if (idx < 0 || !fds[idx].revents) return;
      ssize_t got = ::read(p.fd[0], buf, sizeof buf);
      if (got > 0)
        to.append(buf, static_cast<std::size_t>(got));
      else if (got == 0 || errno != EINTR)
        p.close_end(0);
    };
    drain(idx_out, out, r.out);
    drain(idx_err, err, r.err);
  }
  in.close_end(1);
}

}  // namespace

run_result run_program(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::string& input, const std::filesystem::path& dir,
                       const std::string& argv0) {
  pipe_pair in, out, err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.fd[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

  // The child starts with default signal dispositions, whatever the test runner has set.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGABRT, SIGFPE}) sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> words;
  words.push_back(argv0.empty() ? program.string() : argv0);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("cannot start " + program.string());
  in.close_end(0);
  out.close_end(1);
  err.close_end(1);

  // A child that dies early closes its stdin; writing to it must not kill the runner.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);
  run_result r;
  exchange(in, out, err, input, r);
  sigaction(SIGPIPE, &old, nullptr);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) r.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

std::set<std::string> file_names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename());
  return names;
}

scratch_dir::scratch_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "fieldtools-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

scratch_dir::~scratch_dir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info && info->result()->Failed()) {
    std::cerr << "kept scratch directory of the failed case: " << path_ << "\n";
    return;
  }
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path scratch_dir::write(const std::string& name,
                                         const std::string& content) const {
  auto p = path_ / name;
  std::ofstream f(p, std::ios::binary);
  f << content;
  if (!f) throw std::runtime_error("cannot write " + p.string());
  return p;
}

std::string scratch_dir::read(const std::string& name) const {
  std::ifstream f(path_ / name, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + (path_ / name).string());
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace testsupport
