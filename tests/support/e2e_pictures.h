// Pictures for the end-to-end tests: 24-bit BMPs written here from a colour
// function, and solid colours of any kind the show reads, made by
// ImageMagick's convert.
#pragma once

#include <functional>
#include <string>

#include "support/e2e_harness.h"

namespace nuvra::e2e {

// A width x height BMP whose pixel (x, y), top row 0, is colour(x, y).
bool WriteBmp(const std::string& path, int width, int height, const std::function<Rgb(int x, int y)>& colour);

// How a palette BMP stores its pixels.
enum class PaletteBmp { FourBit, EightBit, EightBitRle };

// A width x height palette BMP of one colour (the colour table's entry 1;
// entry 0 is black and unused).
bool WritePaletteBmp(const std::string& path, int width, int height, PaletteBmp kind, Rgb colour);

// A picture of one colour; its kind follows the file's ending (bmp, gif,
// jpg).
bool WriteSolidPicture(const std::string& path, int width, int height, Rgb colour);

// A JPEG photo stored on its side, as a phone stores a portrait: its pixels
// are the upright picture turned a quarter anticlockwise, and its EXIF
// orientation (6) says to turn them a quarter clockwise to be upright.
bool WriteSidewaysJpeg(const std::string& path, int upright_width, int upright_height,
                       const std::function<Rgb(int x, int y)>& upright_colour);

// A picture where every small area differs from its neighbours and no pixel
// is black: rotating it changes every part of the disc, and the disc stands
// out from the black around it.
bool WritePatternPicture(const std::string& path, int width, int height);

}  // namespace nuvra::e2e
