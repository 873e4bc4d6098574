// Stage 5 of zgrid: empty nodes next to usable ones take their neighbour's encoded value.
#include "plaxen/engine/range_fill.h"

#include <cmath>
#include <vector>

#include "plaxen/engine/node_encoding.h"

namespace plaxen::engine {

namespace {

// The magnitude of the first usable neighbour of the empty node (i, j), tried in the order
// below, left, above, right; a neighbour filled in this pass (belownew, leftnew(j)) is
// skipped. Returns false when no neighbour qualifies.
bool fill_source(const node_grid& grid, std::int32_t i, std::int32_t j, bool belownew,
                 bool leftnew_j, float& source) {
  auto take = [&](std::int32_t p, std::int32_t q) {
    const float a = grid.at(p, q);
    if (!is_usable(a)) return false;
    source = std::fabs(a);
    return true;
  };
  return (j > 1 && !belownew && take(i, j - 1)) || (i > 1 && !leftnew_j && take(i - 1, j)) ||
         (j < grid.ny && take(i, j + 1)) || (i < grid.nx && take(i + 1, j));
}

// One sweep of the range fill; returns nset, the number of nodes filled.
std::int64_t fill_pass(const node_grid& grid, std::vector<unsigned char>& leftnew) {
  std::int64_t nset = 0;
  bool belownew = false;  // whether node (i, j-1), visited just before, was filled in this pass
  for (std::int32_t i = 1; i <= grid.nx; ++i)
    for (std::int32_t j = 1; j <= grid.ny; ++j) {
      float& s = grid.at(i, j);
      unsigned char& left_filled = leftnew[static_cast<std::size_t>(j - 1)];
      float source = 0.0f;
      const bool empty = double(s) + double(big) < 0.0;
      if (empty && fill_source(grid, i, j, belownew, left_filled != 0, source)) {
        s = source;  // positive: a free node carrying its source's encoded value
        left_filled = 1;
        belownew = true;
        ++nset;
      } else {
        left_filled = 0;
        belownew = false;
      }
    }
  return nset;
}

}  // namespace

std::int32_t range_fill(const node_grid& grid, std::int32_t nfill) {
  if (nfill <= 0 || grid.nx <= 0 || grid.ny <= 0) return 0;
  // leftnew(j): whether node (i-1, j) was filled in this pass; one flag per row of the grid.
  // Read only when i > 1, so its contents at the start of a pass never matter.
  std::vector<unsigned char> leftnew(static_cast<std::size_t>(grid.ny), 0);
  std::int32_t passes = 0;
  while (passes < nfill) {
    ++passes;
    if (fill_pass(grid, leftnew) == 0) break;
  }
  return passes;
}

}  // namespace plaxen::engine
