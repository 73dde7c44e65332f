#include "support/e2e_pictures.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace nuvra::e2e {

namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

}  // namespace

bool WriteBmp(const std::string& path, int width, int height, const std::function<Rgb(int x, int y)>& colour)
{
    const auto stride = static_cast<std::uint32_t>((width * 3 + 3) / 4 * 4);
    const std::uint32_t image_size = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(54 + image_size);
    bytes.push_back('B');
    bytes.push_back('M');
    Put32(bytes, 54 + image_size);
    Put32(bytes, 0);
    Put32(bytes, 54);
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(width));
    Put32(bytes, static_cast<std::uint32_t>(height));
    Put16(bytes, 1);
    Put16(bytes, 24);
    Put32(bytes, 0);
    Put32(bytes, image_size);
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, 0);
    Put32(bytes, 0);
    // Rows bottom first, each blue, green, red and padded to four bytes.
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t row_start = bytes.size();
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            bytes.push_back(c.b);
            bytes.push_back(c.g);
            bytes.push_back(c.r);
        }
        bytes.resize(row_start + stride, 0);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WritePaletteBmp(const std::string& path, int width, int height, PaletteBmp kind, Rgb colour)
{
    const int bits = kind == PaletteBmp::FourBit ? 4 : 8;
    const std::uint32_t entries = 1u << bits;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        if (kind == PaletteBmp::EightBitRle) {
            // Runs of at most 255 pixels of entry 1, then end of line.
            for (int left = width; left > 0; left -= 255) {
                pixels.push_back(static_cast<std::uint8_t>(std::min(left, 255)));
                pixels.push_back(1);
            }
            pixels.push_back(0);
            pixels.push_back(0);
            continue;
        }
        const std::size_t row_start = pixels.size();
        const int row_bytes = kind == PaletteBmp::FourBit ? (width + 1) / 2 : width;
        pixels.resize(row_start + static_cast<std::size_t>(row_bytes), kind == PaletteBmp::FourBit ? 0x11 : 0x01);
        pixels.resize(row_start + static_cast<std::size_t>((row_bytes + 3) / 4 * 4), 0);
    }
    if (kind == PaletteBmp::EightBitRle) {
        pixels.push_back(0);
        pixels.push_back(1);  // end of bitmap
    }
    const std::uint32_t offset = 54 + 4 * entries;
    std::vector<std::uint8_t> bytes;
    bytes.push_back('B');
    bytes.push_back('M');
    Put32(bytes, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(bytes, 0);
    Put32(bytes, offset);
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(width));
    Put32(bytes, static_cast<std::uint32_t>(height));
    Put16(bytes, 1);
    Put16(bytes, static_cast<std::uint16_t>(bits));
    Put32(bytes, kind == PaletteBmp::EightBitRle ? 1 : 0);  // BI_RLE8 or BI_RGB
    Put32(bytes, static_cast<std::uint32_t>(pixels.size()));
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, entries);
    Put32(bytes, 0);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const Rgb c = i == 1 ? colour : Rgb{0, 0, 0};
        for (std::uint8_t channel : {c.b, c.g, c.r, std::uint8_t{0}})
            bytes.push_back(channel);
    }
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteSolidPicture(const std::string& path, int width, int height, Rgb colour)
{
    const std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    if (ending == ".bmp")
        return WriteBmp(path, width, height, [colour](int, int) { return colour; });
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    return RunTool({"convert", "-size", size, "xc:" + Describe(colour), path}) == 0;
}

bool WriteSidewaysJpeg(const std::string& path, int upright_width, int upright_height,
                       const std::function<Rgb(int x, int y)>& upright_colour)
{
    const std::string stored = path + ".bmp";
    const bool written = WriteBmp(stored, upright_height, upright_width, [&](int x, int y) {
        return upright_colour(upright_width - 1 - y, x);
    });
    const bool converted = written && RunTool({"convert", stored, "-quality", "95", path}) == 0;
    std::filesystem::remove(stored);
    if (!converted)
        return false;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    // An APP1 segment right after the start marker: "Exif", a little-endian
    // TIFF header and one directory entry, the orientation, a SHORT of 6.
    const char segment[] = {'\xFF', '\xE1', 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                            1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
    static_assert(sizeof segment == 36);
    if (jpeg.size() < 2)
        return false;
    jpeg.insert(jpeg.begin() + 2, std::begin(segment), std::end(segment));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
    return static_cast<bool>(out);
}

bool WritePatternPicture(const std::string& path, int width, int height)
{
    return WriteBmp(path, width, height, [](int x, int y) {
        // Squares of 12 pixels in changing hues, none darker than 40.
        const int cell = (x / 12) * 7 + (y / 12) * 13;
        return Rgb{static_cast<std::uint8_t>(40 + (cell * 37) % 216), static_cast<std::uint8_t>(40 + (cell * 71) % 216),
                   static_cast<std::uint8_t>(40 + (cell * 113) % 216)};
    });
}

}  // namespace nuvra::e2e
