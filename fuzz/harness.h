// What every fuzz target shares: the way back from the record I/O layer's ends of run,
// in-memory files for the units, and input delivered in chunks of chosen sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {

// Runs `body` as one run of the program: returns true when it came back normally, false
// when the layer ended the run (error report or STOP), which jumps back here through the
// layer's end hook. Either way all units are closed afterwards, as at the end of a run.
// `body` must hold no object with a destructor that still matters when a jump skips it.
bool run_guarded(void (*body)(void*), void* context);

// Typed front end of run_guarded for a lambda without captures that outlive the call.
template <class Body>
bool run_guarded(Body& body) {
  return run_guarded([](void* c) { (*static_cast<Body*>(c))(); }, &body);
}

// An anonymous in-memory regular file holding `bytes`, positioned at its start. Aborts
// when it cannot be made (the harness itself is broken then).
int memory_file(std::string_view bytes);

// Everything written to the in-memory file `fd`, from its start.
std::string file_contents(int fd);

// A socket whose reads return the pieces of `bytes` one at a time, of the sizes in
// `pieces` (cycled; each at least 1), so that the layer's read-ahead meets values and lines
// cut at every place. A writer thread feeds it; join_chunked_source() waits for that thread.
struct chunked_source {
  int fd = -1;  // the reading end, to be connected to a unit
  void* writer = nullptr;
};
chunked_source start_chunked_source(std::string bytes, std::vector<std::size_t> pieces);
void join_chunked_source(chunked_source& source);

// Connects `unit` to `fd` as an unnamed unit (as units 5 and 6 are), or as a named file.
void connect(int unit, int fd, std::string_view name = {});

// Splits fuzz input into fields: reads little-endian integers from the front.
class input_reader {
 public:
  explicit input_reader(std::span<const std::uint8_t> data) : data_(data) {}
  std::uint8_t byte() { return data_.empty() ? 0 : take(1)[0]; }
  std::uint32_t u32();
  std::span<const std::uint8_t> rest() { return take(data_.size()); }
  std::span<const std::uint8_t> take(std::size_t n);
  bool empty() const { return data_.empty(); }

 private:
  std::span<const std::uint8_t> data_;
};

// Reports a broken expectation of a target and aborts, so libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view detail = {});

}  // namespace fuzzing
