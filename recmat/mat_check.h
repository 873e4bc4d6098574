// Checking that a finished Level 5 MAT-file is whole and holds the data that were put.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace recmat::mat {

// An array as it was handed to the file: its count of real doubles and their digest.
struct expected_array {
  std::size_t values = 0;
  std::uint64_t digest = 0;
};

// Digest of `count` doubles (their bit patterns), to compare data without keeping a copy.
std::uint64_t digest_of(const double* data, std::size_t count);

// True when the file `path` holds, after its 128-byte header, exactly the uncompressed
// arrays `expected` in order and nothing else: each one whole (its sub-elements end where
// the array ends) with one real double part of the expected count and digest. False when
// it does not, or cannot be read. Allocates nothing beyond a stream.
bool file_holds(const std::string& path, const std::vector<expected_array>& expected);

}  // namespace recmat::mat
