// Fuzz target: the list-directed and A-field reading of plaxen, on arbitrary bytes.
//
// The bytes are read twice as the data file (records of x, y and one value with an END exit,
// exactly as plaxen loads them) and twice as standard input (the two A80 name reads, then
// nx and ny): once from a regular file read ahead in one piece, once from a socket that
// hands them over in small pieces, so that values, lines and separators are cut by the
// read-ahead at every place. Both deliveries must give the same results, the same way of
// ending, and the names must be the first 80 characters of the first two lines. The data
// file's bytes are also read from memory, in windows of the piece sizes, by the plain-record
// scan and the list reader of recordio/list_text.h: they must give the load's records.
//
// Input: 4 bytes of piece sizes (each 1 to 64), then the bytes to read.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "plaxen/common/capacities.h"
#include "plaxen/common/grid_size.h"
#include "plaxen/common/scattered_data.h"
#include "recordio/list_text.h"
#include "recordio/plain_records.h"
#include "recordio/recordio.h"

namespace {

constexpr int data_unit = 11;
constexpr std::size_t name_length = 80;

// What loading the data file gave.
struct load_outcome {
  bool normal = false;
  std::int32_t n = 0;
  std::vector<float> xp, yp, zp;
  plaxen::DataLimits limits;
};

// What the operator dialogue's reads gave.
struct dialogue_outcome {
  bool normal = false;
  int names_read = 0;
  std::string names[2];
  plaxen::GridSize size;
  std::string echo;
};

// Storage the guarded bodies write into (locals of the guarded frame would not survive a
// jump back).
load_outcome current_load;
dialogue_outcome current_dialogue;

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

// Loads the data file from `fd` as plaxen does.
load_outcome load_from(int fd, std::size_t size) {
  // Slots that a record with a null value would keep from an earlier input start at 0.
  const std::size_t slots = std::min<std::size_t>(size + 2, plaxen::max_records + 1);
  std::fill_n(plaxen::points.zarray[0], slots, 0.0f);
  fuzzing::connect(data_unit, fd, "fuzz.xyz");
  current_load = {};
  auto body = [] {
    const plaxen::LoadResult r = plaxen::load_scattered_data(data_unit);
    current_load.limits = r.limits;
    current_load.n = plaxen::points.n;
  };
  current_load.normal = fuzzing::run_guarded(body);
  if (current_load.normal) {
    const auto n = static_cast<std::size_t>(current_load.n);
    if (n > size) fuzzing::fail("more records than bytes");
    current_load.xp.assign(plaxen::points.xp + 1, plaxen::points.xp + 1 + n);
    current_load.yp.assign(plaxen::points.yp + 1, plaxen::points.yp + 1 + n);
    current_load.zp.assign(plaxen::points.zp + 1, plaxen::points.zp + 1 + n);
  }
  return current_load;
}

// Reads the two names and the grid size from `fd` as standard input.
dialogue_outcome dialogue_from(int fd) {
  const int out = fuzzing::memory_file({});
  fuzzing::connect(recordio::input_unit, fd);
  fuzzing::connect(recordio::output_unit, out);
  current_dialogue = {};
  auto body = [] {
    for (std::string& name : current_dialogue.names) {
      char text[name_length];
      // No END exit: an end of input ends the run with the report, so every call returns 0.
      (void)recordio::start_formatted_read(recordio::input_unit, "(1A80)");
      (void)recordio::read(std::span<char>(text));
      (void)recordio::end_read();
      name.assign(text, name_length);
      ++current_dialogue.names_read;
    }
    current_dialogue.size = plaxen::read_grid_size();
  };
  current_dialogue.normal = fuzzing::run_guarded(body);
  current_dialogue.echo = fuzzing::file_contents(out);
  ::close(out);
  return current_dialogue;
}

// The names an A80 read takes: the first 80 characters of each of the first two lines,
// blank-padded. A name is complete when its line's newline comes or its 80 characters do;
// a last line shorter than that without a newline is cut by the end of the file (the
// report "fmt" / "end of file"), and no later name is read.
int expected_names(std::string_view bytes, std::string (&names)[2]) {
  int found = 0;
  for (std::string& name : names) {
    const std::size_t newline = bytes.find('\n');
    if (newline == std::string_view::npos && bytes.size() < name_length) break;
    const std::size_t end = std::min(newline, bytes.size());
    name.assign(bytes.substr(0, std::min(end, name_length)));
    name.resize(name_length, ' ');
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    ++found;
  }
  return found;
}

// The data file's records as a program reading the bytes from memory in windows gets them:
// the plain-record scan over each window (8 times a piece size), then the list reader for
// the line it stops before, its window growing by the piece sizes while it needs more text. x and y
// carry over from record to record as plaxen's locals do; the value's slot starts at 0, as
// load_from leaves plaxen's. The records must be the unit load's, and a load that ended
// with the error report must end here in a failure.
void check_text_reading(std::string_view bytes, const std::vector<std::size_t>& pieces,
                        const load_outcome& unit) {
  const std::size_t size = bytes.size();
  const std::unique_ptr<char[]> copy(new char[size]);  // exactly the bytes: reads beyond fail
  if (size > 0) std::memcpy(copy.get(), bytes.data(), size);
  const char* const b = copy.get();
  std::vector<float> column[3];
  for (auto& c : column) c.resize(size + 2);
  float items[3] = {0.0f, 0.0f, 0.0f};
  std::size_t records = 0;
  std::size_t at = 0;
  std::size_t piece = 0;
  auto next_piece = [&] { return pieces.empty() ? 64 : pieces[piece++ % pieces.size()]; };
  recordio::text_record r;
  for (;;) {
    std::size_t end = std::min(size, at + 8 * next_piece());  // room for a few lines
    const recordio::plain_pick picks[] = {{1, column[0].data() + records},
                                          {2, column[1].data() + records},
                                          {3, column[2].data() + records}};
    const recordio::plain_scan s =
        recordio::scan_plain_records(b + at, b + end, 3, picks, size + 2 - records);
    records += s.records;
    at += s.used;
    if (s.records > 0) {
      items[0] = column[0][records - 1];
      items[1] = column[1][records - 1];
    }
    items[2] = 0.0f;
    while ((r = recordio::read_list_record(b + at, b + end, end == size, items)).outcome ==
           recordio::text_outcome::needs_more)
      end = std::min(size, end + next_piece());
    if (r.outcome != recordio::text_outcome::record) break;
    if (records >= size + 2) fuzzing::fail("memory: more records than bytes");
    for (int k = 0; k < 3; ++k) column[k][records] = items[k];
    ++records;
    at += r.used;
  }
  if (!unit.normal) {
    if (r.outcome != recordio::text_outcome::failure)
      fuzzing::fail("memory: read on where the load failed");
    return;
  }
  const auto n = static_cast<std::size_t>(unit.n);
  for (auto& c : column) c.resize(records);
  if (r.outcome != recordio::text_outcome::end || records != n || !same_bits(column[0], unit.xp) ||
      !same_bits(column[1], unit.yp) || !same_bits(column[2], unit.zp))
    fuzzing::fail("memory: other records than the load's");
}

void check_load(std::string_view bytes, const std::vector<std::size_t>& pieces) {
  const int whole = fuzzing::memory_file(bytes);
  const load_outcome a = load_from(whole, bytes.size());
  ::close(whole);
  fuzzing::chunked_source chunks = fuzzing::start_chunked_source(std::string(bytes), pieces);
  const load_outcome b = load_from(chunks.fd, bytes.size());
  fuzzing::join_chunked_source(chunks);
  if (a.normal != b.normal) fuzzing::fail("data file: delivery changed how the load ended");
  if (a.n != b.n || !same_bits(a.xp, b.xp) || !same_bits(a.yp, b.yp) || !same_bits(a.zp, b.zp))
    fuzzing::fail("data file: delivery changed the records");
  if (std::memcmp(&a.limits, &b.limits, sizeof a.limits) != 0)
    fuzzing::fail("data file: delivery changed the limits");
  check_text_reading(bytes, pieces, a);
}

void check_dialogue(std::string_view bytes, const std::vector<std::size_t>& pieces) {
  const int whole = fuzzing::memory_file(bytes);
  const dialogue_outcome a = dialogue_from(whole);
  ::close(whole);
  fuzzing::chunked_source chunks = fuzzing::start_chunked_source(std::string(bytes), pieces);
  const dialogue_outcome b = dialogue_from(chunks.fd);
  fuzzing::join_chunked_source(chunks);
  if (a.normal != b.normal || a.names_read != b.names_read || a.names[0] != b.names[0] ||
      a.names[1] != b.names[1] || a.size.nx != b.size.nx || a.size.ny != b.size.ny ||
      a.echo != b.echo)
    fuzzing::fail("standard input: delivery changed the dialogue");
  std::string names[2];
  const int found = expected_names(bytes, names);
  if (a.names_read != std::min(found, 2)) fuzzing::fail("standard input: wrong number of names");
  for (int i = 0; i < a.names_read; ++i)
    if (a.names[i] != names[i]) fuzzing::fail("standard input: wrong name", a.names[i]);
  if (a.normal) {
    const std::string echo =
        " " + std::to_string(a.size.nx) + " " + std::to_string(a.size.ny) + "\n";
    if (a.echo != echo) fuzzing::fail("standard input: wrong echo", a.echo);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::input_reader in({data, size});
  std::vector<std::size_t> pieces;
  for (std::uint8_t b : in.take(4)) pieces.push_back((b & 63u) + 1);
  const auto rest = in.rest();
  const std::string_view bytes(reinterpret_cast<const char*>(rest.data()), rest.size());
  check_load(bytes, pieces);
  check_dialogue(bytes, pieces);
  return 0;
}
