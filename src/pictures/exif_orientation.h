// Which way up a photo was taken: the orientation tag of the EXIF block a
// JPEG, PNG or WebP file may carry, and the picture turned upright by it.
//
// Cameras and phones store the sensor's rows as they came and record in the
// tag how to turn them; a portrait photo is stored on its side. The tag is
// read here from the file's bytes (untrusted): the reader walks only the
// container's segments or chunks and the first directory of the EXIF block,
// each step bounded by the bytes there are, and any value it cannot read is
// the stored way up.
#pragma once

#include <cstdint>
#include <span>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

// The tag's values: where the stored first row and first column are shown.
enum class Orientation : std::uint8_t {
    TopLeft = 1,      // as stored
    TopRight = 2,     // mirrored left to right
    BottomRight = 3,  // turned half round
    BottomLeft = 4,   // mirrored top to bottom
    LeftTop = 5,      // mirrored along the diagonal from the top left
    RightTop = 6,     // turned a quarter clockwise to be upright
    RightBottom = 7,  // mirrored along the other diagonal
    LeftBottom = 8,   // turned a quarter anticlockwise to be upright
};

// Whether the upright picture is the stored one's height wide.
inline bool SwapsSides(Orientation orientation)
{
    return orientation >= Orientation::LeftTop;
}

// The orientation of an EXIF block that starts with its TIFF header ("II" or
// "MM"); TopLeft when there is none or it is out of range.
Orientation TiffOrientation(std::span<const std::uint8_t> tiff);

// The orientation a JPEG (APP1 "Exif"), PNG (eXIf chunk) or WebP (EXIF
// chunk) file records; TopLeft for every other format and for files that
// record none.
Orientation ReadOrientation(std::span<const std::uint8_t> bytes, PictureFormat format);

// Where the pixel at (x, y) of the upright picture lies in the stored one,
// which is stored_width x stored_height; rows counted from the top.
struct StoredPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
StoredPoint StoredPointOf(Orientation orientation, std::int32_t x, std::int32_t y, std::int32_t stored_width,
                          std::int32_t stored_height);

// The part of the stored picture that, turned upright, is region of the
// upright picture (region already inside it).
platform::Rect StoredRegion(Orientation orientation, const platform::Rect& region, std::int32_t stored_width,
                            std::int32_t stored_height);

// The stored picture turned upright.
platform::Picture TurnUpright(const platform::Picture& stored, Orientation orientation);

// Decodes with decode(bytes, limits, chooser) and hands the picture over
// upright: the chooser sees the upright size and picks from the upright
// picture, natural_width/height are the upright size, and only the stored
// part under the chosen region is decoded. Turning needs a second picture's
// memory, which is counted against the limits.
using RegionDecoder = platform::PictureResult (*)(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                                  const platform::RegionChooser* choose_region);
platform::PictureResult DecodeUpright(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                                      const platform::RegionChooser* choose_region, Orientation orientation,
                                      RegionDecoder decode);

}  // namespace nuvra::pictures
