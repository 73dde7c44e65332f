// The 256-colour reduction as it was before the fast one, kept unchanged
// for the benches: the figure the fast version is measured against, and
// the oracle its palette and error are compared with. Same contract as
// nuvra::ReduceTo256Colours.
#pragma once

#include <span>

#include "images/color_reduction.h"

namespace nuvra::bench {

bool ReferenceReduceTo256Colours(const platform::Picture& picture, Palette256& palette,
                                 std::span<std::uint8_t> indexes);

}  // namespace nuvra::bench
