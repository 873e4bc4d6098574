// Growing the record store block by block.
#include "plaxen/grid/point_store.h"

#include <algorithm>

namespace plaxen::grid {

PointStore::Block& PointStore::room() {
  if (blocks_.empty() || blocks_.back().count == block_records) {
    Block block;
    block.values = LargeArray<float>(3 * block_records, Access::sequential);
    blocks_.push_back(std::move(block));
  }
  return blocks_.back();
}

void PointStore::append(const RecordRun& run) {
  for (std::size_t done = 0; done < run.z.size();) {
    Block& b = room();
    const std::size_t n = std::min(run.z.size() - done, block_records - b.count);
    float* values = b.values.data();
    std::copy_n(run.x.begin() + std::ptrdiff_t(done), n, values + b.count);
    std::copy_n(run.y.begin() + std::ptrdiff_t(done), n, values + block_records + b.count);
    std::copy_n(run.z.begin() + std::ptrdiff_t(done), n, values + 2 * block_records + b.count);
    b.count += n;
    done += n;
    size_ += std::int64_t(n);
  }
}

std::vector<RecordRun> PointStore::runs() const {
  std::vector<RecordRun> runs;
  for (const Block& b : blocks_) {
    const float* values = b.values.data();
    runs.push_back({{values, b.count},
                    {values + block_records, b.count},
                    {values + 2 * block_records, b.count}});
  }
  return runs;
}

void PointStore::clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  size_ = 0;
}

}  // namespace plaxen::grid
