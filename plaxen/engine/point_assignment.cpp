// Stage 3 of zgrid: each scattered point is accumulated into its nearest grid node.
#include "plaxen/engine/point_assignment.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace plaxen::engine {
namespace {

// Where the points fall: the node of point k by nearest_index along each axis; with SSE2
// both axes in one packed evaluation of the same expressions.
class node_locator {
 public:
  node_locator(const node_grid& grid, const grid_placement& at)
      : xmin_(at.xmin),
        ymin_(at.ymin),
        dx_(at.dx),
        dy_(at.dy),
        x_limit_(double(grid.nx) + 1.0),
        y_limit_(double(grid.ny) + 1.0)
#if !defined(__SSE2__)
        ,
        at_(at),
        nx_(grid.nx),
        ny_(grid.ny)
#endif
  {
  }

  // Sets (i, j) to the node of the point (x, y) and returns true, or returns false when the
  // point lies outside the grid. Both axes are evaluated even when x alone is outside:
  // floating-point exceptions never trap, so that changes nothing.
  bool locate(float x, float y, std::int32_t& i, std::int32_t& j) const {
#if defined(__SSE2__)
    // Both positions in one packed division; each lane is the IEEE result of the scalar
    // expression (p - origin)/step + 1.5.
    const __m128d p = _mm_add_pd(
        _mm_div_pd(_mm_sub_pd(_mm_set_pd(double(y), double(x)), _mm_set_pd(ymin_, xmin_)),
                   _mm_set_pd(dy_, dx_)),
        _mm_set1_pd(1.5));
    const __m128d in = _mm_and_pd(_mm_cmpge_pd(p, _mm_set1_pd(1.0)),
                                  _mm_cmplt_pd(p, _mm_set_pd(y_limit_, x_limit_)));
    if (_mm_movemask_pd(in) != 3) return false;
    const __m128i ij = _mm_cvttpd_epi32(p);
    i = _mm_cvtsi128_si32(ij);
    j = _mm_cvtsi128_si32(_mm_srli_si128(ij, 4));
    return true;
#else
    i = nearest_index(x, at_.xmin, at_.dx, nx_);
    j = i == 0 ? 0 : nearest_index(y, at_.ymin, at_.dy, ny_);
    return j != 0;
#endif
  }

 private:
  double xmin_, ymin_, dx_, dy_;
  double x_limit_, y_limit_;
#if !defined(__SSE2__)
  grid_placement at_;
  std::int32_t nx_, ny_;
#endif
};

// Whether a node holding s takes one more point: the cap test on the unrounded difference;
// a node below zcap holds fewer than points_per_node points.
inline bool takes_point(float s, double zcap) {
  return double(s) - zcap < 0.0;
}

// ((s + z) + zoff) + zstep when s is below zcap, else s: a select rather than a branch,
// since whether a node is full follows no pattern.
float accumulate(float s, float z, double zoff, double zstep, double zcap) {
  const float sum = static_cast<float>(((double(s) + double(z)) + zoff) + zstep);
#if defined(__SSE2__)
  const __m128 below = _mm_castpd_ps(_mm_cmplt_sd(_mm_set_sd(double(s) - zcap), _mm_setzero_pd()));
  // The comparison's low 32 bits are all ones or all zeros, like the whole lane.
  return _mm_cvtss_f32(
      _mm_or_ps(_mm_and_ps(below, _mm_set_ss(sum)), _mm_andnot_ps(below, _mm_set_ss(s))));
#else
  return takes_point(s, zcap) ? sum : s;
#endif
}

// The array position of each point's node, or no_node, looked up `lookahead` points before
// the point is accumulated, and its node fetched into the cache meanwhile: the stores into a
// large grid fall at random, and this keeps several of them under way.
constexpr std::int64_t no_node = -1;
constexpr std::size_t lookahead = 16;

// Stage 3 over blocks of points, every point in input order. On a cache line of its own: the
// members of a team each update one.
class alignas(64) block_assignment {
 public:
  block_assignment(const node_grid& grid, const encoding_scalars& enc, const grid_placement& at,
                   std::uint32_t* node_counts)
      : grid_(grid),
        locator_(grid, at),
        zoff_(enc.zoff),
        zstep_(enc.zstep),
        zcap_(enc.zcap),
        node_counts_(node_counts) {}

  void assign(const point_block& block, std::int64_t first_k, const out_of_range_sink& sink) {
    const std::size_t n = block.z.size();
    std::int64_t ahead[lookahead];
    for (std::size_t q = 0; q < lookahead && q < n; ++q) ahead[q] = position(block, q);
    for (std::size_t k = 0; k < n; ++k) {
      const std::int64_t p = ahead[k % lookahead];
      if (k + lookahead < n) ahead[k % lookahead] = position(block, k + lookahead);
      if (p == no_node) [[unlikely]] {
        ++counts_.out_of_range;
        if (sink) sink(first_k + std::int64_t(k), block.x[k], block.y[k], block.z[k]);
      } else {
        add_point(p, block.z[k]);
      }
    }
  }

  const assignment_counts& counts() const { return counts_; }
  void count_out_of_range() { ++counts_.out_of_range; }

  // The array position of the node of point k of the block, or no_node.
  std::int64_t locate(const point_block& block, std::size_t k) const {
    std::int32_t i = 0;
    std::int32_t j = 0;
    if (!locator_.locate(block.x[k], block.y[k], i, j)) return no_node;
    return grid_.index(i, j);
  }
  // Starts fetching the node at p (and its count) into the cache.
  void prefetch(std::int64_t p) const {
    __builtin_prefetch(grid_.z + p, 1);
    if (node_counts_ != nullptr) __builtin_prefetch(node_counts_ + p, 1);
  }

  // Accumulates the value z into the node at p (see assign_blocks).
  void add_point(std::int64_t p, float z) {
    float& s = grid_.z[p];
    const bool taken = takes_point(s, zcap_);
    counts_.accumulated += taken;
    counts_.ignored += !taken;
    s = accumulate(s, z, zoff_, zstep_, zcap_);
    if (node_counts_ != nullptr && node_counts_[p] != UINT32_MAX) ++node_counts_[p];
  }

 private:
  std::int64_t position(const point_block& block, std::size_t k) const {
    const std::int64_t p = locate(block, k);
    if (p != no_node) prefetch(p);
    return p;
  }

  node_grid grid_;
  node_locator locator_;
  double zoff_, zstep_, zcap_;  // held here: the grid's own stores could otherwise alias them
  std::uint32_t* node_counts_;
  assignment_counts counts_;
};

// Stage 3 shared by a team, chunk by chunk. First every member locates its consecutive part
// of the chunk's points and sorts them, in order, into one list per band of array positions
// (one band per member) and a list of outsiders. Then member b accumulates the lists of band
// b, those of member 0 first: that is input order within the band, so every node sees its
// points in input order; member 0 also passes the outsiders, in order, to the sink. Each
// point is located once and each node is written by one member only.
class shared_assignment {
 public:
  shared_assignment(const node_grid& grid, const encoding_scalars& enc, const grid_placement& at,
                    std::uint32_t* node_counts, worker_team& team, assignment_lists& lists)
      : team_(team), lists_(lists.members) {
    const std::int64_t positions = grid.nodes() == 0 ? 0 : grid.index(grid.nx, grid.ny) + 1;
    for (std::int32_t b = 1; b < team.size(); ++b)
      band_starts_.push_back(share_of(positions, b, team.size()).first);
    lists_.resize(std::size_t(team.size()));
    for (std::int32_t m = 0; m < team.size(); ++m)
      members_.emplace_back(grid, enc, at, node_counts);
  }

  void assign(const point_block& block, std::int64_t first_k, const out_of_range_sink& sink) {
    for (std::size_t first = 0; first < block.z.size(); first += chunk_points) {
      const std::size_t count = std::min(chunk_points, block.z.size() - first);
      const point_block chunk{block.x.subspan(first, count), block.y.subspan(first, count),
                              block.z.subspan(first, count)};
      const std::int64_t chunk_k = first_k + std::int64_t(first);
      team_.run([&](std::int32_t m) { sort_part(chunk, m); });
      team_.run([&](std::int32_t b) {
        if (b == 0) report(chunk, chunk_k, sink);
        accumulate_band(chunk, b);
      });
    }
  }

  assignment_counts counts() const {
    assignment_counts total;
    for (const block_assignment& member : members_) total += member.counts();
    return total;
  }

 private:
  static constexpr std::size_t chunk_points = std::size_t{1} << 15;  // lists of 512 KB

 public:
  static constexpr std::size_t max_bands = 64;  // larger teams assign on one thread

 private:
  using located = assignment_lists::located;
  using member_lists = assignment_lists::member;

  // The band of position p: how many bands start at or before it (counted without a branch,
  // since the band of a point follows no pattern).
  std::size_t band_of(std::int64_t p) const {
    std::size_t b = 0;
    for (const std::int64_t start : band_starts_) b += std::size_t(p >= start);
    return b;
  }

  // Lists member m's part of the chunk. The counts stay in locals until the end: members
  // write nothing that another member touches before the chunk's second step.
  void sort_part(const point_block& chunk, std::int32_t m) {
    member_lists& lists = lists_[std::size_t(m)];
    const index_range part = share_of(std::int64_t(chunk.z.size()), m, team_.size());
    const auto room = std::size_t(part.last - part.first);
    const auto bands = std::size_t(team_.size());
    if (lists.entries.size() < bands * room) lists.entries.resize(bands * room);
    if (lists.outsiders.size() < room) lists.outsiders.resize(room);
    located* const entries = lists.entries.data();
    std::uint32_t* const outsiders = lists.outsiders.data();
    std::array<std::size_t, max_bands> sizes{};
    std::size_t outsider_count = 0;
    const block_assignment& member = members_[std::size_t(m)];
    for (auto k = std::size_t(part.first); k < std::size_t(part.last); ++k) {
      const std::int64_t p = member.locate(chunk, k);
      if (p == no_node) [[unlikely]] {
        outsiders[outsider_count++] = std::uint32_t(k);
      } else {
        const std::size_t b = band_of(p);
        entries[b * room + sizes[b]++] = {p, std::uint32_t(k)};
      }
    }
    lists.room = room;
    lists.sizes.assign(sizes.begin(), sizes.begin() + std::ptrdiff_t(bands));
    lists.outsider_count = outsider_count;
  }

  void report(const point_block& chunk, std::int64_t first_k, const out_of_range_sink& sink) {
    for (const member_lists& lists : lists_)
      for (std::size_t e = 0; e < lists.outsider_count; ++e) {
        const std::uint32_t k = lists.outsiders[e];
        members_[0].count_out_of_range();
        if (sink) sink(first_k + k, chunk.x[k], chunk.y[k], chunk.z[k]);
      }
  }

  void accumulate_band(const point_block& chunk, std::int32_t b) {
    block_assignment& member = members_[std::size_t(b)];
    for (const member_lists& lists : lists_) {
      const located* const points = lists.entries.data() + std::size_t(b) * lists.room;
      const std::size_t count = lists.sizes[std::size_t(b)];
      for (std::size_t e = 0; e < count; ++e) {
        if (e + lookahead < count) member.prefetch(points[e + lookahead].position);
        member.add_point(points[e].position, chunk.z[points[e].k]);
      }
    }
  }

  worker_team& team_;
  std::vector<std::int64_t> band_starts_;  // the first position of bands 1, 2, ...
  std::vector<block_assignment> members_;  // each member's accumulator and counts
  std::vector<member_lists>& lists_;
};

}  // namespace

void check_blocks(std::span<const point_block> blocks) {
  for (const point_block& block : blocks)
    if (block.x.size() != block.z.size() || block.y.size() != block.z.size())
      throw std::invalid_argument("point block: x, y and z differ in length");
}

assignment_counts assign_blocks(const node_grid& grid, const encoding_scalars& enc,
                                const grid_placement& at, std::span<const point_block> blocks,
                                std::int64_t first_k, const out_of_range_sink& sink,
                                std::uint32_t* node_counts, worker_team& team,
                                assignment_lists& lists) {
  check_blocks(blocks);
  if (team.size() > 1 && std::size_t(team.size()) <= shared_assignment::max_bands) {
    shared_assignment assignment(grid, enc, at, node_counts, team, lists);
    std::int64_t k = first_k;
    for (const point_block& block : blocks) {
      assignment.assign(block, k, sink);
      k += std::int64_t(block.z.size());
    }
    return assignment.counts();
  }
  block_assignment assignment(grid, enc, at, node_counts);
  std::int64_t k = first_k;
  for (const point_block& block : blocks) {
    assignment.assign(block, k, sink);
    k += std::int64_t(block.z.size());
  }
  return assignment.counts();
}

assignment_counts assign_points(const node_grid& grid, const encoding_scalars& enc,
                                const grid_placement& at, std::span<const float> xp,
                                std::span<const float> yp, std::span<const float> zp,
                                const out_of_range_sink& sink) {
  const point_block block{xp, yp, zp};
  assignment_lists lists;
  return assign_blocks(grid, enc, at, std::span(&block, 1), 1, sink, nullptr, lone_worker(), lists);
}

}  // namespace plaxen::engine
