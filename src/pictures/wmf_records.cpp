#include "pictures/wmf_records.h"

#include <algorithm>
#include <cstdlib>

#include "pictures/byte_reader.h"

namespace nuvra::pictures {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kHeaderSize = 18;
constexpr std::uint16_t kHeaderWords = kHeaderSize / 2;
constexpr std::uint64_t kRecordHeaderSize = 6;

enum Function : std::uint16_t {
    kEof = 0x0000,
    kSetMapMode = 0x0103,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportExt = 0x020E,
    kDibBitBlt = 0x0940,
    kDibStretchBlt = 0x0B41,
    kStretchDib = 0x0F43,
    kSetDibToDev = 0x0D33,
    kDibCreatePatternBrush = 0x0142,
    kCreateFontIndirect = 0x02FB,
};

// libwmf's text drawing crashes on a font many thousand times wider than it
// is high (it reads a glyph bitmap that was never made). No real text is
// wider than this many times its height.
constexpr std::int32_t kWidestFontAspect = 8;

// Where the bitmap starts in a record that may carry one (in bytes after the
// record header), or nothing. The blits carry none when their parameter
// count is the one Windows uses for "no source".
std::optional<std::uint64_t> BitmapOffset(std::uint16_t function, std::uint64_t words)
{
    switch (function) {
    case kDibBitBlt:
        return words == 3 + 9 ? std::nullopt : std::optional<std::uint64_t>(8 * 2);
    case kDibStretchBlt:
        return words == 3 + 11 ? std::nullopt : std::optional<std::uint64_t>(10 * 2);
    case kStretchDib:
        return 11 * 2;
    case kSetDibToDev:
        return 9 * 2;
    case kDibCreatePatternBrush:
        return 2 * 2;
    default:
        return std::nullopt;
    }
}

// A device-independent bitmap inside a record: a header libwmf understands,
// a size within the limits, a colour table no longer than the depth allows,
// and every byte of it inside the record.
bool SaneBitmap(std::span<const std::uint8_t> dib, const DecodeLimits& limits)
{
    const std::uint32_t header_size = ReadU32(dib, 0);
    if (header_size != 12 && header_size != 40 && header_size != 108 && header_size != 124)
        return false;
    if (!Fits(dib, 0, header_size))
        return false;
    const bool core = header_size == 12;
    const std::int64_t width = core ? ReadU16(dib, 4) : ReadS32(dib, 4);
    const std::int64_t height = std::abs(std::int64_t{core ? ReadU16(dib, 6) : ReadS32(dib, 8)});
    const std::uint16_t bits = ReadU16(dib, core ? 10 : 14);
    const std::uint32_t compression = core ? 0 : ReadU32(dib, 16);
    const std::uint32_t colours_used = core ? 0 : ReadU32(dib, 32);
    if (CheckPictureSize(width, height, limits))
        return false;
    const bool valid_depth =
        (compression == 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
        (compression == 1 && bits == 8) || (compression == 2 && bits == 4) ||
        (compression == 3 && (bits == 16 || bits == 32));
    if (!valid_depth)
        return false;
    const std::uint64_t table_limit = bits <= 8 ? (1u << bits) : 256;
    if (colours_used > table_limit)
        return false;
    const std::uint64_t colours = colours_used != 0 ? colours_used : (bits <= 8 ? table_limit : 0);
    std::uint64_t size = header_size + colours * (core ? 3 : 4);
    if (compression == 3 && header_size == 40)
        size += 12;
    if (compression == 0 || compression == 3)
        size += (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4 * static_cast<std::uint64_t>(height);
    return Fits(dib, 0, size);
}

bool Playable(std::uint16_t function, std::span<const std::uint8_t> record, const DecodeLimits& limits)
{
    const std::optional<std::uint64_t> bitmap = BitmapOffset(function, record.size() / 2);
    if (!bitmap)
        return true;
    const std::span<const std::uint8_t> parameters = record.subspan(kRecordHeaderSize);
    return Fits(parameters, *bitmap, 0) && SaneBitmap(parameters.subspan(*bitmap), limits);
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value)
{
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    Put16(out, at, static_cast<std::uint16_t>(value));
    Put16(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace

WmfFile ReadWmfRecords(std::span<const std::uint8_t> file, const DecodeLimits& limits)
{
    WmfFile metafile;
    metafile.file_size = file.size();
    std::size_t header = 0;
    if (ReadU32(file, 0) == kPlaceableKey) {
        if (!Fits(file, 0, kPlaceableSize)) {
            metafile.error = "the WMF placeable header is cut short";
            return metafile;
        }
        metafile.placeable = true;
        const std::int32_t left = ReadS16(file, 6), top = ReadS16(file, 8);
        const std::int32_t right = ReadS16(file, 10), bottom = ReadS16(file, 12);
        metafile.frame_origin = {std::min(left, right), std::min(top, bottom)};
        metafile.frame_size = {std::abs(right - left), std::abs(bottom - top)};
        metafile.units_per_inch = ReadU16(file, 14);
        if (metafile.units_per_inch == 0 || metafile.frame_size.x == 0 || metafile.frame_size.y == 0) {
            metafile.error = "the WMF frame is empty";
            return metafile;
        }
        header = kPlaceableSize;
    }
    const std::uint16_t type = ReadU16(file, header);
    if (!Fits(file, header, kHeaderSize) || (type != 1 && type != 2) || ReadU16(file, header + 2) != kHeaderWords) {
        metafile.error = "not a readable WMF header";
        return metafile;
    }

    std::vector<std::uint8_t>& out = metafile.bytes;
    out.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(header + kHeaderSize));
    if (metafile.placeable) {
        // libwmf may check the sum of the first ten words; a wrong one is no
        // reason to refuse a picture.
        std::uint16_t checksum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            checksum = static_cast<std::uint16_t>(checksum ^ ReadU16(file, i));
        Put16(out, 20, checksum);
    }
    std::uint32_t largest_record = 3;
    std::uint64_t at = header + kHeaderSize;
    while (Fits(file, at, kRecordHeaderSize)) {
        const std::uint64_t words = ReadU32(file, at);
        const std::uint16_t function = ReadU16(file, at + 4);
        if (function == kEof || words < 3 || !Fits(file, at, words * 2))
            break;  // the end, or a record that lies about its size: stop before it
        const std::span<const std::uint8_t> record = file.subspan(at, words * 2);
        at += words * 2;
        if (!Playable(function, record, limits)) {
            ++metafile.dropped_records;
            continue;
        }
        const WmfPoint point{ReadS16(record, 8), ReadS16(record, 6)};  // stored y first
        const bool has_point = words >= 5 && point.x != 0 && point.y != 0;
        if (function == kSetMapMode && words >= 4 && !metafile.map_mode)
            metafile.map_mode = ReadU16(record, 6);
        if (function == kSetWindowOrg && words >= 5 && !metafile.window_origin)
            metafile.window_origin = point;
        if (function == kSetWindowExt && has_point && !metafile.window_extent)
            metafile.window_extent = point;
        if (function == kSetViewportExt && has_point && !metafile.viewport_extent)
            metafile.viewport_extent = point;
        const std::size_t record_start = out.size();
        out.insert(out.end(), record.begin(), record.end());
        if (function == kCreateFontIndirect && words >= 5) {
            const std::int32_t height = std::abs(static_cast<std::int32_t>(ReadS16(record, 6)));
            const std::int32_t width = ReadS16(record, 8);
            const std::int32_t widest = kWidestFontAspect * height;
            if (height != 0 && std::abs(width) > widest)
                Put16(out, record_start + 8, static_cast<std::uint16_t>(width < 0 ? -widest : widest));
        }
        largest_record = std::max(largest_record, static_cast<std::uint32_t>(words));
    }
    const std::size_t end_record = out.size();
    out.resize(end_record + kRecordHeaderSize, 0);
    Put32(out, end_record, 3);

    Put32(out, header + 6, static_cast<std::uint32_t>((out.size() - header) / 2));
    Put32(out, header + 12, largest_record);
    return metafile;
}

platform::PictureResult DecodeWmf(std::span<const std::uint8_t> file, const DecodeLimits& limits,
                                  WmfRenderer render_wmf, const platform::RegionChooser* choose_region)
{
    if (render_wmf == nullptr)
        return PictureFailure("WMF: no metafile renderer on this system");
    const WmfFile metafile = ReadWmfRecords(file, limits);
    if (!metafile.error.empty())
        return PictureFailure(metafile.error);
    return render_wmf(metafile, limits, choose_region);
}

}  // namespace nuvra::pictures
