// The BMP files SavePicture writes: an uncompressed file with a 40-byte info
// header, rows bottom-up, in the picture's own depth (8 bits with its colour
// table, 24 or 32 bits). Every BMP reader since Windows 3.0 reads these.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/picture.h"

namespace nuvra::pictures {

// The file's bytes, or nothing for a picture that breaks the Picture layout
// (a depth other than 8, 24 or 32, rows shorter than its width, fewer bytes
// than stride x height, an 8-bit picture without a table or one of more than
// 256 colours).
std::optional<std::vector<std::uint8_t>> EncodeBmp(const platform::Picture& picture);

}  // namespace nuvra::pictures
