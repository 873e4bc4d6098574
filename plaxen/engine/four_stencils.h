// Four free nodes relaxed at once, one in each lane of the processor's vector registers, by
// exactly the steps and roundings the relaxation takes for one node.
#pragma once

#include <cstdint>

namespace plaxen::engine {

// Whether this processor can relax four nodes at once (x86-64 with AVX); where it cannot,
// the relaxation moves nodes one by one, to the same values.
bool four_stencils_available();

// Where four nodes lie and what a move of them gives. Each node lies two steps or more
// inside the grid along both axes (the caller's duty: all eight stencil neighbours are read).
struct four_nodes {
  const float* node[4];
  float change[4];   // d = S/W - s, rounded to single
  float updated[4];  // s + omega*d, rounded to single
  float weight[4];   // W: a node of weight 0 is to be left as it is
};

// The stencils W and S of the four nodes (neighbours `x_stride` and `y_stride` elements
// apart), the quotient S/W and the move by omega, each lane exactly as the relaxation's
// one-node steps: single lanes where those add two singles, double lanes rounded to single
// at every store where they evaluate in double. A step whose neighbours are not usable adds
// zero in its lane, which leaves W and S as skipping it would (neither ever holds -0). Only
// when four_stencils_available().
void move_four(four_nodes& nodes, std::int64_t x_stride, std::int64_t y_stride, float tension,
               double omega);

}  // namespace plaxen::engine
