// Point-in-polygon test: crossings of the vertical line through the point, kept per x.
#include "plaxen/blanking/inside.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "plaxen/common/capacities.h"

namespace plaxen {
namespace {

// The crossing list of the last rebuild: the vertical line x = xlast meets the polygon's
// edges at the y values in ycross, in edge order.
struct CrossingList {
  float xlast = 0.0f;
  std::vector<float> ycross;
};

CrossingList& kept_crossings() {
  static CrossingList list;
  return list;
}

// Vertices that both spans can supply, at most nv.
std::size_t usable_vertices(std::span<const float> xv, std::span<const float> yv, std::int32_t nv) {
  const std::size_t wanted = static_cast<std::size_t>(nv);
  return std::min({wanted, xv.size(), yv.size()});
}

// Adds the crossing of the edge from vertex a to vertex b with the line x = xt, when it has
// one. Vertical edges are skipped; an edge counts when its left end lies strictly left of xt
// and its right end at or right of xt, so a vertex on the line is counted once where the
// boundary passes across it and twice or not at all where it only touches the line.
void add_crossing(float xt, float xa, float ya, float xb, float yb, std::vector<float>& ycross) {
  if (static_cast<double>(xa) - static_cast<double>(xb) == 0.0) {
    return;
  }
  const bool a_is_left = static_cast<double>(xa) - static_cast<double>(xb) < 0.0;
  const float xl = a_is_left ? xa : xb;
  const float yl = a_is_left ? ya : yb;
  const float xr = a_is_left ? xb : xa;
  const float yr = a_is_left ? yb : ya;
  const bool counts = static_cast<double>(xt) - static_cast<double>(xl) > 0.0 &&
                      static_cast<double>(xt) - static_cast<double>(xr) <= 0.0;
  if (!counts) {
    return;
  }
  const float slope = static_cast<float>((static_cast<double>(yr) - static_cast<double>(yl)) /
                                         (static_cast<double>(xr) - static_cast<double>(xl)));
  ycross.push_back(static_cast<float>(static_cast<double>(yl) +
                                      (static_cast<double>(xt) - static_cast<double>(xl)) *
                                          static_cast<double>(slope)));
}

// Rebuilds the list for the line x = xt: one pass over the edges, edge k from vertex k to
// vertex k+1 and the closing edge from the last vertex to the first.
void rebuild(float xt, std::span<const float> xv, std::span<const float> yv, std::size_t n,
             CrossingList& list) {
  if (list.ycross.capacity() < n) {
    list.ycross.reserve(std::max<std::size_t>(n, max_vertices));
  }
  list.xlast = xt;
  list.ycross.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t k = i + 1 < n ? i + 1 : 0;
    add_crossing(xt, xv[i], yv[i], xv[k], yv[k], list.ycross);
  }
}

}  // namespace

void inside(float xt, float yt, std::span<const float> xv, std::span<const float> yv,
            std::int32_t nv, std::int32_t& inflag) {
  if (nv <= 0) {
    inflag = 1;
    return;
  }
  CrossingList& list = kept_crossings();
  if (inflag == rebuild_crossings ||
      static_cast<double>(xt) - static_cast<double>(list.xlast) != 0.0) {
    rebuild(xt, xv, yv, usable_vertices(xv, yv, nv), list);
  }
  // Parity of the crossings strictly below the point: a crossing at yt does not count.
  std::int32_t parity = 0;
  for (const float y : list.ycross) {
    if (static_cast<double>(y) - static_cast<double>(yt) < 0.0) {
      parity = 1 - parity;
    }
  }
  inflag = parity;
}

}  // namespace plaxen
