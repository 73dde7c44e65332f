// BMP files as Windows and OS/2 wrote them: the OS/2 core header (12 bytes),
// OS/2 2.x headers (16 to 64 bytes), and the Windows info header with its
// later versions (40, 52, 56, 108 and 124 bytes); 1, 2, 4, 8, 16, 24 and 32
// bits; uncompressed, bit fields, RLE8 and RLE4; rows bottom-up or top-down.
//
// Nothing in the headers is trusted: sizes are computed in 64 bits, every
// read is checked, and what a file promises but does not hold reads as zero.
// A file cut short loads what it holds and leaves the rest zero (black, or
// colour index 0); one that holds no pixel data at all fails.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "pictures/byte_reader.h"
#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;

constexpr std::uint64_t kFileHeaderSize = 14;

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kAlphaBitfields = 6,
};

// One colour channel of a 16 or 32-bit pixel, scaled to 8 bits.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask)
        : m_mask(mask)
        , m_shift(mask == 0 ? 0 : std::countr_zero(mask))
        , m_bits(std::bit_width(mask >> m_shift))
    {
    }

    std::uint8_t Extract(std::uint32_t pixel) const
    {
        if (m_bits == 0)
            return 0;
        const std::uint32_t value = (pixel & m_mask) >> m_shift;
        if (m_bits >= 8)
            return static_cast<std::uint8_t>(value >> (m_bits - 8));
        // Fewer than 8 bits: repeat them downwards, so that a full channel is
        // 255 and not 248 (5 bits) or 252 (6 bits).
        std::uint32_t scaled = 0;
        for (int position = 8 - m_bits; position > -m_bits; position -= m_bits)
            scaled |= position >= 0 ? value << position : value >> -position;
        return static_cast<std::uint8_t>(scaled);
    }

private:
    std::uint32_t m_mask = 0;
    int m_shift = 0;
    int m_bits = 0;
};

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;  // positive; top_down gives the row order
    bool top_down = false;
    std::uint16_t bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colours_used = 0;
    std::array<Channel, 3> channels;  // blue, green, red
    std::uint64_t palette_offset = 0;
    std::uint64_t palette_entry_size = 4;
    std::uint64_t pixel_offset = 0;
};

struct ParsedHeader {
    BmpHeader header;
    std::string error;
};

bool ValidBits(std::uint32_t compression, std::uint16_t bits)
{
    switch (compression) {
    case kRgb:
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case kRle8:
        return bits == 8;
    case kRle4:
        return bits == 4;
    case kBitfields:
    case kAlphaBitfields:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

ParsedHeader ParseHeader(std::span<const std::uint8_t> file)
{
    ParsedHeader parsed;
    BmpHeader& header = parsed.header;
    if (!Fits(file, 0, kFileHeaderSize + 4)) {
        parsed.error = "the BMP file header is cut short";
        return parsed;
    }
    const std::uint32_t header_size = ReadU32(file, kFileHeaderSize);
    const bool core = header_size == 12;
    const bool windows =
        header_size == 40 || header_size == 52 || header_size == 56 || header_size == 108 || header_size == 124;
    const bool os2 = !core && !windows && header_size >= 16 && header_size <= 64;
    if (!core && !windows && !os2) {
        parsed.error = "unknown BMP header size " + std::to_string(header_size);
        return parsed;
    }
    if (!Fits(file, kFileHeaderSize, header_size)) {
        parsed.error = "the BMP info header is cut short";
        return parsed;
    }
    // OS/2 2.x headers may stop after any field; the fields they leave out
    // are zero. Reading from a zero-filled copy gives exactly that.
    std::array<std::uint8_t, 124> info{};
    std::memcpy(info.data(), file.data() + kFileHeaderSize, header_size);
    const std::span<const std::uint8_t> fields(info);

    std::uint64_t masks_end = kFileHeaderSize + header_size;
    if (core) {
        header.width = ReadU16(fields, 4);
        header.height = ReadU16(fields, 6);
        header.bits = ReadU16(fields, 10);
        header.palette_entry_size = 3;
    } else {
        header.width = ReadS32(fields, 4);
        const std::int64_t height = ReadS32(fields, 8);
        header.top_down = height < 0;
        header.height = height < 0 ? -height : height;
        header.bits = ReadU16(fields, 14);
        header.compression = ReadU32(fields, 16);
        header.colours_used = ReadU32(fields, 32);
        // OS/2 numbers its own methods 3 (Huffman) and 4 (RLE24); neither is
        // bit fields.
        if (os2 && header.compression > kRle4) {
            parsed.error = "OS/2 BMP compression " + std::to_string(header.compression) + " is not supported";
            return parsed;
        }
    }
    if (!ValidBits(header.compression, header.bits)) {
        parsed.error = "unsupported BMP format: " + std::to_string(header.bits) + " bits, compression " +
                       std::to_string(header.compression);
        return parsed;
    }

    if (header.compression == kBitfields || header.compression == kAlphaBitfields) {
        std::span<const std::uint8_t> masks = fields.subspan(40);
        if (header_size == 40) {
            // The masks follow a plain info header, before the colour table.
            const std::uint64_t count = header.compression == kAlphaBitfields ? 4 : 3;
            if (!Fits(file, masks_end, count * 4)) {
                parsed.error = "the BMP colour masks are cut short";
                return parsed;
            }
            masks = file.subspan(masks_end);
            masks_end += count * 4;
        }
        header.channels = {Channel(ReadU32(masks, 8)), Channel(ReadU32(masks, 4)), Channel(ReadU32(masks, 0))};
    } else if (header.bits == 16) {
        header.channels = {Channel(0x001F), Channel(0x03E0), Channel(0x7C00)};
    } else if (header.bits == 32) {
        header.channels = {Channel(0x0000FF), Channel(0x00FF00), Channel(0xFF0000)};
    }

    header.palette_offset = masks_end;
    std::uint64_t table_entries = header.bits <= 8 ? (1u << header.bits) : 0;
    if (header.colours_used != 0)
        table_entries = std::min<std::uint64_t>(header.colours_used, header.bits <= 8 ? table_entries : 256);
    // bfOffBits is right in nearly every file; one that points into the
    // headers is a writer's slip, and the pixels then follow the table.
    const std::uint64_t declared_offset = ReadU32(file, 10);
    header.pixel_offset = declared_offset >= masks_end
                              ? declared_offset
                              : header.palette_offset + table_entries * header.palette_entry_size;
    return parsed;
}

std::vector<std::uint32_t> ReadPalette(std::span<const std::uint8_t> file, const BmpHeader& header)
{
    const std::uint32_t table_size = 1u << header.bits;
    std::vector<std::uint32_t> palette(table_size, 0);  // what the file leaves out is black
    std::uint32_t count = table_size;
    if (header.colours_used != 0 && header.colours_used < table_size)
        count = header.colours_used;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t offset = header.palette_offset + std::uint64_t{i} * header.palette_entry_size;
        if (!Fits(file, offset, 3))
            break;
        palette[i] = static_cast<std::uint32_t>(file[offset + 2]) << 16 |
                     static_cast<std::uint32_t>(file[offset + 1]) << 8 | file[offset];
    }
    return palette;
}

// Where decoded pixels go: the region's part of each row. Rows are numbered
// as the file stores them (first stored row first), columns as the picture
// counts them.
struct RegionRows {
    Picture& picture;
    const BmpHeader& header;
    platform::Rect region;

    // The region's row for stored row y, or nullptr when y lies outside it.
    std::uint8_t* Row(std::int64_t y) const
    {
        const std::int64_t top = header.top_down ? y : header.height - 1 - y;
        if (top < region.top || top >= region.bottom)
            return nullptr;
        return RowFromTop(picture, top - region.top);
    }
    // The stored row of the region's row k (0 is its top row).
    std::int64_t StoredRow(std::int64_t k) const
    {
        const std::int64_t top = region.top + k;
        return header.top_down ? top : header.height - 1 - top;
    }
    std::int64_t rows() const { return region.bottom - region.top; }
};

// Columns [left, right) of one stored row into target, which starts at
// column left.
void DecodeRow(const std::uint8_t* source, std::uint8_t* target, const BmpHeader& header, std::int64_t left,
               std::int64_t right)
{
    switch (header.bits) {
    case 1:
    case 2:
    case 4:
    case 8: {
        const unsigned mask = (1u << header.bits) - 1;
        for (std::int64_t x = left; x < right; ++x) {
            const std::int64_t bit = x * header.bits;
            const int shift = 8 - header.bits - static_cast<int>(bit & 7);
            target[x - left] = static_cast<std::uint8_t>((source[bit >> 3] >> shift) & mask);
        }
        break;
    }
    case 24:
        std::memcpy(target, source + 3 * left, static_cast<std::size_t>(right - left) * 3);
        break;
    case 16:
    case 32: {
        const std::size_t step = header.bits / 8u;
        source += step * static_cast<std::size_t>(left);
        for (std::int64_t x = left; x < right; ++x, source += step, target += 3) {
            std::uint32_t pixel = static_cast<std::uint32_t>(source[0]) | static_cast<std::uint32_t>(source[1]) << 8;
            if (step == 4)
                pixel |= static_cast<std::uint32_t>(source[2]) << 16 | static_cast<std::uint32_t>(source[3]) << 24;
            for (std::size_t channel = 0; channel < 3; ++channel)
                target[channel] = header.channels[channel].Extract(pixel);
        }
        break;
    }
    default:
        break;
    }
}

std::uint64_t SourceStride(const BmpHeader& header)
{
    return (static_cast<std::uint64_t>(header.width) * header.bits + 31) / 32 * 4;
}

// Only the region's rows are read: a header may promise far more rows than
// the file holds or the show wants.
void DecodeRows(std::span<const std::uint8_t> data, const BmpHeader& header, const RegionRows& target)
{
    const std::uint64_t source_stride = SourceStride(header);
    std::vector<std::uint8_t> partial_row;
    for (std::int64_t k = 0; k < target.rows(); ++k) {
        const std::int64_t y = target.StoredRow(k);
        const std::uint64_t offset = static_cast<std::uint64_t>(y) * source_stride;
        if (offset >= data.size())
            continue;  // past the end of the file: stays zero
        const std::uint8_t* source = data.data() + offset;
        if (!Fits(data, offset, source_stride)) {
            // The last row the file holds part of: the rest of it reads as 0.
            partial_row.assign(source_stride, 0);
            std::memcpy(partial_row.data(), source, data.size() - offset);
            source = partial_row.data();
        }
        DecodeRow(source, target.Row(y), header, target.region.left, target.region.right);
    }
}

// RLE8 and RLE4. Runs and deltas that go past the right edge or the last row
// are clipped; pixels the stream never reaches keep index 0. The stream has
// to be walked from its start, but only the region's pixels are stored, and
// the walk ends after the region's last row.
void DecodeRle(std::span<const std::uint8_t> data, const BmpHeader& header, const RegionRows& target)
{
    const bool rle4 = header.compression == kRle4;
    const std::int64_t last_row = target.StoredRow(header.top_down ? target.rows() - 1 : 0);
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::uint8_t* row = target.Row(0);
    auto put = [&](unsigned index) {
        if (row != nullptr && x >= target.region.left && x < target.region.right)
            row[x - target.region.left] = static_cast<std::uint8_t>(index);
        ++x;
    };
    std::size_t i = 0;
    while (y <= last_row && i + 1 < data.size()) {
        const unsigned count = data[i];
        const unsigned value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k)
                put(rle4 ? (k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            row = target.Row(++y);
            break;
        case 1:  // end of bitmap
            return;
        case 2:  // delta: move right and down
            if (i + 1 >= data.size())
                return;
            x += data[i];
            y += data[i + 1];
            row = target.Row(y);
            i += 2;
            break;
        default: {  // an absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t run_bytes = rle4 ? (value + 1) / 2 : value;
            for (unsigned k = 0; k < value; ++k) {
                const std::size_t at = i + (rle4 ? k / 2 : k);
                if (at >= data.size())
                    return;
                put(rle4 ? (k % 2 == 0 ? data[at] >> 4 : data[at] & 0x0F) : data[at]);
            }
            i += (run_bytes + 1) & ~std::size_t{1};
            break;
        }
        }
    }
}

}  // namespace

PictureResult DecodeBmp(std::span<const std::uint8_t> file, const DecodeLimits& limits,
                        const platform::RegionChooser* choose_region)
{
    if (!Fits(file, 0, 2) || file[0] != 'B' || file[1] != 'M')
        return PictureFailure("not a BMP file");
    const ParsedHeader parsed = ParseHeader(file);
    if (!parsed.error.empty())
        return PictureFailure(parsed.error);
    const BmpHeader& header = parsed.header;
    if (const std::optional<std::string> refused = CheckPictureSize(header.width, header.height, limits))
        return PictureFailure("BMP: " + *refused);

    PictureResult result;
    result.natural_width = static_cast<std::int32_t>(header.width);
    result.natural_height = static_cast<std::int32_t>(header.height);
    if (header.pixel_offset >= file.size()) {
        result.error = "the BMP file holds no pixel data";
        return result;
    }
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);
    const std::uint16_t bits = header.bits <= 8 ? 8 : 24;
    const std::uint64_t needed = file.size() + SourceStride(header) +
                                 PictureBytes(region->right - region->left, region->bottom - region->top, bits);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "BMP: " + *refused;
        return result;
    }

    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, bits);
    if (header.bits <= 8)
        picture.palette = ReadPalette(file, header);
    const RegionRows target{picture, header, *region};
    const std::span<const std::uint8_t> data = file.subspan(static_cast<std::size_t>(header.pixel_offset));
    if (header.compression == kRle8 || header.compression == kRle4)
        DecodeRle(data, header, target);
    else
        DecodeRows(data, header, target);
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::pictures
