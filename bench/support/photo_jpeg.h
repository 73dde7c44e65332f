// The benches' stand-in for a camera photograph: a 6000 x 4000 baseline
// JPEG of smooth colour with grain, so it compresses, decodes and reduces
// to 256 colours like a real one. Generated, never committed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/picture.h"

namespace nuvra::bench {

constexpr std::int32_t kPhotoWidth = 6000;
constexpr std::int32_t kPhotoHeight = 4000;

// Writes the photograph to path; false when the file cannot be written.
bool WritePhotoJpeg(const std::string& path);

// The photograph's centre square as the show cuts it for a screen of the
// given height (1080 x 1080 on a 1080-line screen), decoded by the real
// codec, 24 bits. Written to and read from a temporary folder that is gone
// on return; aborts when that fails, as a bench cannot go on without it.
platform::Picture PhotoCentreSquare(std::int32_t screen_height);

}  // namespace nuvra::bench
