// Allocation and widening of recmat's column buffers.
#include "recmat/extraction_buffers.h"

#include <algorithm>

namespace recmat {

extraction_buffers::extraction_buffers(int rows)
    : rows_(rows),
      staging_(static_cast<std::size_t>(rows) * column_count),
      columns_(static_cast<std::size_t>(rows) * column_count) {}

const std::vector<double>& extraction_buffers::widen() {
  std::copy(columns_.begin(), columns_.end(), staging_.begin());
  return staging_;
}

}  // namespace recmat
