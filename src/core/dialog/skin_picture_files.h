// The bytes of each file of assets/skin/, one function a file, defined by
// the sources the build generates (cmake/embed_file.cmake). Only
// skin_pictures.cpp needs these; everything else asks SkinPictureBytes.
#pragma once

#include <cstdint>
#include <span>

namespace nuvra::dialog::skin_files {

std::span<const std::uint8_t> ButtonPressedBmp();
std::span<const std::uint8_t> ButtonReleasedBmp();
std::span<const std::uint8_t> OptionOffBmp();
std::span<const std::uint8_t> OptionOnBmp();
std::span<const std::uint8_t> CheckClearBmp();
std::span<const std::uint8_t> CheckTickedBmp();
std::span<const std::uint8_t> HeadingBarBmp();
std::span<const std::uint8_t> TextureTileBmp();

}  // namespace nuvra::dialog::skin_files
