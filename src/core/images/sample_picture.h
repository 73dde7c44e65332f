// The built-in sample picture: a still kaleidoscope of 152 x 112 pixels (a
// disc 112 across, centred on black) rendered once by this renderer from a
// generated picture, stored as a JPEG (tools/make_sample_picture.cpp makes
// assets/sample_picture.jpg) and embedded into the program at build time.
// It stands in for the desktop where none can be captured, and the preview
// shows it.
#pragma once

#include <cstdint>
#include <span>

namespace nuvra {

inline constexpr std::int32_t kSamplePictureWidth = 152;
inline constexpr std::int32_t kSamplePictureHeight = 112;

// The JPEG file's bytes; defined by the source file the build generates.
std::span<const std::uint8_t> SamplePictureJpeg();

}  // namespace nuvra
