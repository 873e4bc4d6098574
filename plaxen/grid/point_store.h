// The records of a data file in memory: x, y and the value in single precision, 12 bytes a
// record, in blocks that are added as the reading goes on and never moved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "plaxen/common/large_array.h"
#include "plaxen/engine/point_assignment.h"

namespace plaxen::grid {

// A run of records in file order: x(k), y(k), z(k) for k = 0..size-1, as the engine takes
// its points.
using RecordRun = engine::point_block;

class PointStore {
 public:
  // Records of one block: 1 Mi records, 12 MiB.
  static constexpr std::size_t block_records = std::size_t{1} << 20;

  // Appends the records of `run` after those held. Allocates a block when the last is full
  // (throws std::bad_alloc when none can be had).
  void append(const RecordRun& run);

  std::int64_t size() const { return size_; }
  // The records held, block by block, in file order; valid until the next append or clear.
  std::vector<RecordRun> runs() const;
  // Frees every block.
  void clear();

 private:
  struct Block {
    LargeArray<float> values;  // x, then y, then z, block_records each
    std::size_t count = 0;
  };
  Block& room();

  std::vector<Block> blocks_;
  std::int64_t size_ = 0;
};

}  // namespace plaxen::grid
