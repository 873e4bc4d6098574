// A small program over the record I/O layer for the tests of how a run ends: it performs
// the statements named on its command line, in order, after start-up.
//
//   open U NAME STATUS      OPEN
//   lread U TYPES [end]     list-directed read of items of TYPES (r real, i integer)
//   fread U FORMAT LENGTH   formatted read of one character item
//   fwrite U FORMAT TEXT    formatted write of one character item (or none when "-")
//   lwrite U TEXT           list-directed write of one character item
//   raise SIGNAL            raises FPE, ABRT, TRAP, QUIT, INT or TERM
//   ignore SIGNAL           (before start-up only) ignores INT or QUIT
//   fail TAG MESSAGE        the program's own report
//   stop | status N         STOP, or the end with status N
// Without stop the program returns from main.
#include <signal.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "recordio/recordio.h"

namespace {

int signal_number(std::string_view name) {
  if (name == "FPE") return SIGFPE;
  if (name == "ABRT") return SIGABRT;
  if (name == "TRAP") return SIGTRAP;
  if (name == "QUIT") return SIGQUIT;
  if (name == "INT") return SIGINT;
  return SIGTERM;
}

void list_read(int unit, std::string_view types, bool end) {
  float real = 0;
  std::int32_t integer = 0;
  if (recordio::start_list_read(unit, end ? recordio::end_exit::yes : recordio::end_exit::no))
    return;
  for (char t : types)
    if ((t == 'i' ? recordio::read(integer) : recordio::read(real)) != 0) return;
  (void)recordio::end_read();  // the probe's reads end with or without an END met here
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  std::size_t i = 0;
  for (; i + 1 < args.size() && args[i] == "ignore"; i += 2)
    signal(signal_number(args[i + 1]), SIG_IGN);
  recordio::start_up();
  auto unit = [&](std::size_t k) { return std::atoi(std::string(args[k]).c_str()); };
  while (i < args.size()) {
    std::string_view op = args[i];
    if (op == "open") {
      recordio::open(unit(i + 1), args[i + 2], args[i + 3]);
      i += 4;
    } else if (op == "lread") {
      bool end = i + 3 < args.size() && args[i + 3] == "end";
      list_read(unit(i + 1), args[i + 2], end);
      i += end ? 4 : 3;
    } else if (op == "fread") {
      std::string item(static_cast<std::size_t>(unit(i + 3)), ' ');
      // No END exit: an end of input ends the run with the report.
      (void)recordio::start_formatted_read(unit(i + 1), args[i + 2]);
      (void)recordio::read(std::span<char>(item.data(), item.size()));
      (void)recordio::end_read();
      i += 4;
    } else if (op == "fwrite") {
      recordio::start_formatted_write(unit(i + 1), args[i + 2]);
      if (args[i + 3] != "-") recordio::write(args[i + 3]);
      recordio::end_write();
      i += 4;
    } else if (op == "lwrite") {
      recordio::start_list_write(unit(i + 1));
      recordio::write(args[i + 2]);
      recordio::end_write();
      i += 3;
    } else if (op == "raise") {
      raise(signal_number(args[i + 1]));
      i += 2;
    } else if (op == "fail") {
      recordio::fail(args[i + 1], args[i + 2]);
    } else if (op == "stop") {
      recordio::stop();
    } else if (op == "status") {
      recordio::stop_with_status(unit(i + 1));
    } else {
      return 99;  // unknown operation: a fault in the test itself
    }
  }
  return 0;
}
