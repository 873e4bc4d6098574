// Reading a finished MAT-file's element tags and data back, to tell a whole file from one
// whose writing failed part way.
#include "recmat/mat_check.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace recmat::mat {
namespace {

// Size of the text, subsystem and version header that opens a Level 5 MAT-file.
constexpr long header_bytes = 128;
// Data types of an uncompressed array element and of double-precision data.
constexpr std::uint32_t mi_matrix = 14;
constexpr std::uint32_t mi_double = 9;

// FNV-1a over 64-bit words: offset basis 14695981039346656037, prime 1099511628211.
constexpr std::uint64_t digest_basis = 14695981039346656037ull;

std::uint64_t digest_step(std::uint64_t digest, const double* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    digest = (digest ^ std::bit_cast<std::uint64_t>(data[i])) * 1099511628211ull;
  return digest;
}

// Tag of a data element: its type and the byte count of its data, padding not counted.
// A small element (data of at most 4 bytes within the tag) has a nonzero upper half in
// the type word and takes 8 bytes in all; any other is padded to a multiple of 8.
struct element_tag {
  std::uint32_t type = 0;
  std::uint32_t bytes = 0;
  bool small() const { return (type >> 16) != 0; }
  long span() const { return small() ? 8 : 8 + ((static_cast<long>(bytes) + 7) / 8) * 8; }
};

bool read_tag(std::FILE* file, long position, element_tag& tag) {
  unsigned char raw[8];
  if (std::fseek(file, position, SEEK_SET) != 0 || std::fread(raw, 1, 8, file) != 8) return false;
  std::memcpy(&tag.type, raw, 4);  // written in this machine's byte order
  std::memcpy(&tag.bytes, raw + 4, 4);
  return true;
}

// Digest of `count` doubles read from the file's current position; false when they are not
// all there.
bool digest_from_file(std::FILE* file, std::size_t count, std::uint64_t& digest) {
  digest = digest_basis;
  double chunk[1024];
  while (count > 0) {
    const std::size_t n = std::min(count, std::size(chunk));
    if (std::fread(chunk, sizeof(double), n, file) != n) return false;
    digest = digest_step(digest, chunk, n);
    count -= n;
  }
  return true;
}

// Whether the array element at `position`, tagged `array`, is whole and its real double
// part matches `expected`. matio sets an array's byte count from where its writing stopped,
// so a write cut short leaves the data sub-element reaching past the array's end.
bool array_matches(std::FILE* file, long position, const element_tag& array,
                   const expected_array& expected) {
  const long end = position + 8 + static_cast<long>(array.bytes);
  long sub = position + 8;
  int data_parts = 0;
  element_tag tag;
  while (sub < end) {
    if (!read_tag(file, sub, tag)) return false;
    if (tag.type == mi_double) {
      std::uint64_t digest = 0;
      if (tag.bytes != expected.values * sizeof(double) ||
          !digest_from_file(file, expected.values, digest) || digest != expected.digest)
        return false;
      ++data_parts;
    }
    sub += tag.span();
  }
  return sub == end && data_parts == 1;
}

bool stream_holds(std::FILE* file, const std::vector<expected_array>& expected) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file);
  long position = header_bytes;
  for (const expected_array& array : expected) {
    element_tag tag;
    if (!read_tag(file, position, tag) || tag.type != mi_matrix ||
        !array_matches(file, position, tag, array))
      return false;
    position += 8 + static_cast<long>(tag.bytes);
  }
  return position == size;
}

}  // namespace

std::uint64_t digest_of(const double* data, std::size_t count) {
  return digest_step(digest_basis, data, count);
}

bool file_holds(const std::string& path, const std::vector<expected_array>& expected) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  const bool holds = stream_holds(file, expected);
  std::fclose(file);
  return holds;
}

}  // namespace recmat::mat
