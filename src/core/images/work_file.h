// The two work files of the show, in the work folder: "Tmp_nuvra01.bmp" (the
// square crop at the screen's depth, 24 bits, written by the platform's BMP
// writer) and "Tmp_nuvra02.bmp" (the same square at 8 bits, built here and
// written whole through the platform's ReplaceFile).
//
// SaveAs8BitBitmap is called for the square of every picture. It writes a fixed layout that the renderer's
// loader reads: the pixels always at offset 1078, behind a full 256-entry
// colour table, and a pixel buffer sized for the width rounded up to 8 (not
// 4) of which only the 4-aligned rows are filled; the rest stays zero but is
// written too. It reports nothing to the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace nuvra {

inline constexpr const char* kSquareWorkFileName = "Tmp_nuvra01.bmp";
inline constexpr const char* kEightBitWorkFileName = "Tmp_nuvra02.bmp";
inline constexpr std::int64_t kWorkFilePixelOffset = 1078;  // 14 + 40 + 256 * 4

// tag tells apart the work files of shows running side by side (one per
// monitor under a screen-saver daemon): "Tmp_nuvra01<tag>.bmp". Empty for
// the full-screen show.
std::string SquareWorkFilePath(platform::FileSystem& files, std::string_view tag = {});
std::string EightBitWorkFilePath(platform::FileSystem& files, std::string_view tag = {});

// ((width - 1) \ 8 + 1) * 8 * height: the width rounded up to a multiple of 8.
std::int64_t WorkFilePixelBufferSize(std::int32_t width, std::int32_t height);

enum class WorkFileResult {
    Written,
    NotNeeded,         // 8 bits per pixel or fewer: nothing to convert, nothing written
    ConversionFailed,  // not a picture we can convert; the old file stays
    WriteFailed,       // the file could not be created or fully written
};

// Converts picture to 8 bits (our own adaptive palette) and writes it as the
// 8-bit work file, deleting the old one first. Pictures of 8 bits or fewer
// and failed conversions write nothing and leave an older file in place.
WorkFileResult SaveAs8BitBitmap(const platform::Picture& picture, platform::FileSystem& files);

// The two halves of SaveAs8BitBitmap, for a show that prepares its pictures
// in memory ahead of time and writes the files only when one is shown.
//
// ReduceToEightBit: the picture (24 or 32 bits) as the 8-bit work file holds
// it and the renderer reads it back: rows of the width rounded up to 4, bottom
// row first, and the 256-entry colour table. Pure computation; safe on any
// thread. Nothing for 8 bits or fewer, an empty or oversized picture.
std::optional<platform::Picture> ReduceToEightBit(const platform::Picture& picture);
// WriteEightBitWorkFile: writes such a picture as the 8-bit work file,
// deleting the old one first.
WorkFileResult WriteEightBitWorkFile(const platform::Picture& eight_bit, platform::FileSystem& files,
                                     std::string_view tag = {});

}  // namespace nuvra
