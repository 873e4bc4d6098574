// The fixed settings with which plaxen calls zgrid, for plaxen and for what reruns its job.
#pragma once

#include <cstdint>

namespace plaxen {

inline constexpr float gridding_tension = 3.0f;  // weight of the relaxation's second differences
inline constexpr std::int32_t gridding_fill_passes = 1;  // range-fill passes: one node step

}  // namespace plaxen
