// Stage 5 of zgrid: empty nodes next to usable ones take their neighbour's encoded value.
#include "plaxen/engine/range_fill.h"

#include <cmath>
#include <vector>

namespace plaxen::engine {

namespace {

// One member's band of columns [first, last) and what it needs to fill them in a pass; on
// cache lines of its own, since each member updates its band during the pass.
struct alignas(64) fill_band {
  std::int64_t first = 1;
  std::int64_t last = 1;
  std::vector<float> left_column;   // column first - 1 before the pass, when it exists
  std::vector<float> right_column;  // column last before the pass, when it exists
  std::vector<unsigned char> leftnew;
  std::int64_t nset = 0;
};

// Node (p, q) as the member sees it: the copies for the columns beside its band.
float neighbour(const node_grid& grid, const fill_band& band, std::int64_t p, std::int64_t q) {
  if (p < band.first) return band.left_column[static_cast<std::size_t>(q - 1)];
  if (p >= band.last) return band.right_column[static_cast<std::size_t>(q - 1)];
  return grid.at(p, q);
}

// The magnitude of the first usable neighbour of the empty node (i, j), tried in the order
// below, left, above, right; a neighbour filled in this pass (belownew, leftnew(j)) is
// skipped. Returns false when no neighbour qualifies.
bool fill_source(const node_grid& grid, const fill_band& band, std::int64_t i, std::int64_t j,
                 bool belownew, bool leftnew_j, float& source) {
  auto take = [&](std::int64_t p, std::int64_t q) {
    const float a = neighbour(grid, band, p, q);
    if (!is_usable(a)) return false;
    source = std::fabs(a);
    return true;
  };
  return (j > 1 && !belownew && take(i, j - 1)) || (i > 1 && !leftnew_j && take(i - 1, j)) ||
         (j < grid.ny && take(i, j + 1)) || (i < grid.nx && take(i + 1, j));
}

// Copies column i of the grid, or leaves `copy` empty when the grid has no such column.
void copy_column(const node_grid& grid, std::int64_t i, std::vector<float>& copy) {
  copy.clear();
  if (i < 1 || i > grid.nx) return;
  for (std::int64_t j = 1; j <= grid.ny; ++j) copy.push_back(grid.at(i, j));
}

// One pass over the band's columns in sweep order; sets band.nset to the nodes filled.
// leftnew(j) says whether node (i-1, j) was filled in this pass, belownew the same of node
// (i, j-1); both start cleared, which at the band's first column is the same as reading the
// copy of the column before it (a node filled in the pass was unusable before it).
void fill_pass(const node_grid& grid, fill_band& band) {
  std::int64_t nset = 0;
  band.leftnew.assign(static_cast<std::size_t>(grid.ny), 0);
  bool belownew = false;
  for (std::int64_t i = band.first; i < band.last; ++i)
    for (std::int64_t j = 1; j <= grid.ny; ++j) {
      float& s = grid.at(i, j);
      unsigned char& left_filled = band.leftnew[static_cast<std::size_t>(j - 1)];
      float source = 0.0f;
      const bool empty = double(s) + double(big) < 0.0;
      if (empty && fill_source(grid, band, i, j, belownew, left_filled != 0, source)) {
        s = source;  // positive: a free node carrying its source's encoded value
        left_filled = 1;
        belownew = true;
        ++nset;
      } else {
        left_filled = 0;
        belownew = false;
      }
    }
  band.nset = nset;
}

}  // namespace

fill_result range_fill(const node_grid& grid, std::int32_t nfill, worker_team& team) {
  fill_result result;
  if (nfill <= 0 || grid.nodes() == 0) return result;
  std::vector<fill_band> bands(static_cast<std::size_t>(team.size()));
  for (std::int32_t member = 0; member < team.size(); ++member) {
    const index_range columns = share_of(grid.nx, member, team.size());
    bands[std::size_t(member)].first = columns.first + 1;
    bands[std::size_t(member)].last = columns.last + 1;
  }
  while (result.passes < nfill) {
    ++result.passes;
    // The columns beside each band as they are before the pass, then the pass itself.
    team.run([&](std::int32_t member) {
      fill_band& band = bands[std::size_t(member)];
      if (band.first == band.last) return;
      copy_column(grid, band.first - 1, band.left_column);
      copy_column(grid, band.last, band.right_column);
    });
    team.run([&](std::int32_t member) { fill_pass(grid, bands[std::size_t(member)]); });
    std::int64_t nset = 0;
    for (const fill_band& band : bands) nset += band.nset;
    result.filled += nset;
    if (nset == 0) break;
  }
  return result;
}

}  // namespace plaxen::engine
