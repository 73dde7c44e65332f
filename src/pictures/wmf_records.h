// The record walk in front of the metafile renderer (libwmf on Linux). A
// metafile is never handed to a renderer as it came: its records are walked
// here, and only whole records up to the first end record are passed on,
// behind headers rewritten to match them. Records that embed a bitmap are
// passed on only when the bitmap's header is sane and its pixels lie inside
// the record, because libwmf allocates whatever such a header asks for and
// reads as far as it says.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

struct WmfPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct WmfFile {
    std::vector<std::uint8_t> bytes;  // what the renderer plays
    std::uint64_t file_size = 0;      // the file as it came, still held while it plays
    bool placeable = false;
    WmfPoint frame_origin;  // placeable files: the frame, in metafile units
    WmfPoint frame_size;
    std::uint16_t units_per_inch = 0;
    // The first of each the file sets. Extents are never zero on either
    // axis; a negative one turns its axis over.
    std::optional<std::uint16_t> map_mode;
    std::optional<WmfPoint> window_origin;
    std::optional<WmfPoint> window_extent;
    std::optional<WmfPoint> viewport_extent;
    std::size_t dropped_records = 0;
    std::string error;  // set when the file cannot be played at all
};

WmfFile ReadWmfRecords(std::span<const std::uint8_t> file, const DecodeLimits& limits);

// DecodeWmf (picture_decoding.h) is this walk, then the renderer.

}  // namespace nuvra::pictures
