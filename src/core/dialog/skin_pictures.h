// The settings dialog's skin: its pictures as 24-bit BMP files built into
// the program (assets/skin/, made by tools/make_dialog_skin.cpp). The core
// decodes them with PictureCodec::LoadPictureFromMemory.
//
//   ButtonPressed, ButtonReleased  95 x 22, stretched sideways to a button
//   OptionOff, OptionOn            13 x 13, corners in the texture's average
//   CheckClear, CheckTicked        12 x 12
//   HeadingBar                     95 x 22, stretched sideways to a heading
//   TextureTile                    560 x 22, tiled over the background
//
// Black 13-pixel captions are drawn over every one of them.
#pragma once

#include <cstdint>
#include <span>

namespace nuvra::dialog {

enum class SkinPicture {
    ButtonPressed,
    ButtonReleased,
    OptionOff,
    OptionOn,
    CheckClear,
    CheckTicked,
    HeadingBar,
    TextureTile,
};

// The BMP file's bytes, alive for the whole run; empty for a value that
// names no picture.
std::span<const std::uint8_t> SkinPictureBytes(SkinPicture picture);

}  // namespace nuvra::dialog
