// A program of the project started in the background, for the signal tests.
#include "tests/hardening/spawned_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace hardening {

bool wait_readable(int fd) {
  for (int idle_seconds = 0; idle_seconds < 60;) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, 1000);
    if (ready > 0) return true;
    if (ready == 0) ++idle_seconds;
  }
  return false;
}
namespace {

// Only a hanging program runs into this; a passing test never waits for it.
constexpr auto guard_time = std::chrono::seconds(60);

// Reads what is available on `fd` into `text`; false at the end of the pipe.
bool read_available(int fd, std::string& text) {
  char buf[65536];
  ssize_t n;
  do {
    n = ::read(fd, buf, sizeof buf);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return false;
  text.append(buf, static_cast<std::size_t>(n));
  return true;
}

[[noreturn]] void child(const std::filesystem::path& program, const spawn_options& options, int in,
                        int out, int err) {
  if (::chdir(options.dir.c_str()) != 0) _exit(127);
  if (!options.stdout_file.empty()) {
    out = ::open(options.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0) _exit(127);
  }
  if (!options.stderr_file.empty()) {
    err = ::open(options.stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (err < 0) _exit(127);
  }
  if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) _exit(127);
  for (const auto& [fd, as] : options.passed) {
    // dup2 onto itself would keep the close-on-exec flag of the test's descriptor.
    if (fd == as ? ::fcntl(fd, F_SETFD, 0) < 0 : ::dup2(fd, as) < 0) _exit(127);
  }
  const rlimit no_core{0, 0};
  const rlimit file_size{options.file_size_limit, options.file_size_limit};
  if (::setrlimit(RLIMIT_CORE, &no_core) != 0 || ::setrlimit(RLIMIT_FSIZE, &file_size) != 0)
    _exit(127);
  // The test runner's own dispositions and mask are not the program's business.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s : {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGPIPE, SIGXFSZ}) ::signal(s, SIG_DFL);
  for (int s : options.ignored_signals) ::signal(s, SIG_IGN);
  for (int fd : options.closed_descriptors) ::close(fd);
  const std::string path = program.string();
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const std::string& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(path.c_str(), argv.data());
  _exit(127);
}

}  // namespace

spawned_program::spawned_program(const std::filesystem::path& program,
                                 const spawn_options& options) {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot make pipes");
  if (options.output_unread) {
    // Closed before the program starts: its copy goes at exec, so no reader is left.
    ::close(out[0]);
    out[0] = -1;
  }
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("cannot fork");
  if (pid_ == 0) child(program, options, in[0], out[1], err[1]);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  in_ = in[1];
  out_ = out[0];
  err_ = err[0];
}

spawned_program::~spawned_program() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_, err_})
    if (fd >= 0) ::close(fd);
}

void spawned_program::write_input(std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(in_, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("cannot write the program's input");
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string spawned_program::read_output_until(std::string_view text) {
  const auto deadline = std::chrono::steady_clock::now() + guard_time;
  while (!out_text_.ends_with(text) && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 1000) > 0 && !read_available(out_, out_text_)) break;
  }
  return out_text_;
}

bool spawned_program::wait_until_reading_input() {
  return wait_until_in_call(SYS_read, "0x0");
}

bool spawned_program::wait_until_opening() {
  return wait_until_in_call(SYS_openat, {});
}

bool spawned_program::wait_until_in_call(long call, std::string_view fd_argument) {
  const std::string proc = "/proc/" + std::to_string(pid_) + "/syscall";
  const auto deadline = std::chrono::steady_clock::now() + guard_time;
  while (std::chrono::steady_clock::now() < deadline) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid_)
      return false;  // ended instead
    // "<syscall number> <first argument> ...".
    std::ifstream file(proc);
    long number = -1;
    std::string fd;
    if (file >> number >> fd && number == call && (fd_argument.empty() || fd == fd_argument))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

ending spawned_program::signal_and_wait(int signal) {
  ::kill(pid_, signal);
  return wait_for_end();
}

ending spawned_program::finish() {
  return wait_for_end();
}

ending spawned_program::wait_for_end() {
  ::close(in_);
  in_ = -1;
  ending e;
  std::string err_text;
  bool out_open = out_ >= 0;
  bool err_open = true;
  const auto deadline = std::chrono::steady_clock::now() + guard_time;
  while (out_open || err_open) {
    if (std::chrono::steady_clock::now() > deadline) ::kill(pid_, SIGKILL);  // it hangs
    pollfd p[2] = {{out_open ? out_ : -1, POLLIN, 0}, {err_open ? err_ : -1, POLLIN, 0}};
    if (::poll(p, 2, 1000) < 0 && errno != EINTR) break;
    if (out_open && p[0].revents != 0) out_open = read_available(out_, out_text_);
    if (err_open && p[1].revents != 0) err_open = read_available(err_, err_text);
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  e.out = out_text_;
  e.err = err_text;
  if (WIFEXITED(status)) e.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) e.signal = WTERMSIG(status);
  return e;
}

}  // namespace hardening
