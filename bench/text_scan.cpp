// Speed of reading records of x, y and one value from a data file's text in memory: the
// plain-record scan, the in-memory list-directed reader, and mapped_floor's loop (three
// numbers a line with fast_float, no list-directed rules) on the same bytes.
//
// Usage: text_scan FILE [ROUNDS]. The file is read into memory once (read(), as from a
// pipe); each reading then runs ROUNDS times (default 7) over 1 MiB windows, and the
// fastest round of each is printed as records/s and MB/s. All three must agree on the
// records' checksum, and the scan must take every record of a file of plain lines.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/floor_loop.h"
#include "recordio/list_text.h"
#include "recordio/plain_records.h"

namespace {

constexpr std::size_t window = std::size_t{1} << 20;

struct reading {
  long records = 0;
  double checksum = 0;
};

std::string read_file(const char* name) {
  std::string text;
  const int fd = open(name, O_RDONLY);
  if (fd < 0) return text;
  char chunk[1 << 16];
  for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;)
    text.append(chunk, static_cast<std::size_t>(n));
  close(fd);
  return text;
}

// mapped_floor's loop (floor_loop.h), to the first text that is not a number.
reading floor_loop(const std::string& text) {
  reading r;
  bench::for_each_floor_record(text.data(), text.data() + text.size(),
                               [&r](float x, float y, float z) {
                                 r.checksum += double{x} + double{y} + double{z};
                                 ++r.records;
                               });
  return r;
}

// The scan over 1 MiB windows, the in-memory reader for every line it stops before.
reading plain_scan(const std::string& text, std::vector<float> (&columns)[3]) {
  reading r;
  const recordio::plain_pick picks[] = {
      {1, columns[0].data()}, {2, columns[1].data()}, {3, columns[2].data()}};
  const char* const begin = text.data();
  const char* const file_end = begin + text.size();
  std::size_t at = 0;
  float items[3] = {0, 0, 0};
  for (;;) {
    const char* const end = begin + std::min(text.size(), at + window);
    recordio::plain_pick from_here[3];
    for (int k = 0; k < 3; ++k) from_here[k] = {picks[k].item, picks[k].values + r.records};
    const recordio::plain_scan s = recordio::scan_plain_records(
        begin + at, end, 3, from_here, columns[0].size() - static_cast<std::size_t>(r.records));
    r.records += static_cast<long>(s.records);
    at += s.used;
    // A line the window cuts starts the next window; any other line it stops before goes to
    // the reader.
    const bool cut =
        end != file_end && s.used > 0 &&
        std::memchr(begin + at, '\n', static_cast<std::size_t>(end - (begin + at))) == nullptr;
    if (cut) continue;
    const recordio::text_record one = recordio::read_list_record(begin + at, file_end, true, items);
    if (one.outcome != recordio::text_outcome::record) break;
    for (int k = 0; k < 3; ++k) columns[k][static_cast<std::size_t>(r.records)] = items[k];
    ++r.records;
    at += one.used;
  }
  for (std::size_t k = 0; k < static_cast<std::size_t>(r.records); ++k)
    r.checksum += double{columns[0][k]} + double{columns[1][k]} + double{columns[2][k]};
  return r;
}

// The in-memory reader alone, record by record.
reading list_reader(const std::string& text) {
  reading r;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  float items[3] = {0, 0, 0};
  for (std::size_t at = 0;;) {
    const recordio::text_record one = recordio::read_list_record(begin + at, end, true, items);
    if (one.outcome != recordio::text_outcome::record) break;
    r.checksum += double{items[0]} + double{items[1]} + double{items[2]};
    ++r.records;
    at += one.used;
  }
  return r;
}

template <class Run>
double fastest_seconds(int rounds, Run run, reading& result) {
  double best = 1e300;
  for (int k = 0; k < rounds; ++k) {
    const auto start = std::chrono::steady_clock::now();
    result = run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void print(const char* name, double seconds, const reading& r, std::size_t bytes) {
  std::printf("%-12s %8.4f s  %7.1f M records/s  %7.1f MB/s  (%ld records, checksum %.6e)\n", name,
              seconds, double(r.records) / seconds / 1e6, double(bytes) / seconds / 1e6, r.records,
              r.checksum);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [ROUNDS]\n", argv[0]);
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const std::string text = read_file(argv[1]);
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  std::vector<float> columns[3] = {std::vector<float>(lines + 1), std::vector<float>(lines + 1),
                                   std::vector<float>(lines + 1)};
  reading floor, scan, reader;
  const double floor_s = fastest_seconds(
      rounds, [&] { return floor_loop(text); }, floor);
  const double scan_s = fastest_seconds(
      rounds, [&] { return plain_scan(text, columns); }, scan);
  const double reader_s = fastest_seconds(
      rounds, [&] { return list_reader(text); }, reader);
  print("floor loop", floor_s, floor, text.size());
  print("plain scan", scan_s, scan, text.size());
  print("list reader", reader_s, reader, text.size());
  std::printf("scan/floor time: %.2f  reader/floor time: %.2f\n", scan_s / floor_s,
              reader_s / floor_s);
  const bool agree = scan.records == floor.records && reader.records == floor.records &&
                     scan.checksum == floor.checksum && reader.checksum == floor.checksum;
  if (!agree) std::printf("the readings disagree\n");
  return agree ? 0 : 1;
}
