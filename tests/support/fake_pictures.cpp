#include "support/fake_pictures.h"

#include <fstream>
#include <iterator>

namespace nuvra::test {

namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t Read16(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace

platform::Picture MakePicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel,
                              const std::function<std::uint32_t(std::int32_t, std::int32_t)>& colour)
{
    platform::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bits_per_pixel = bits_per_pixel;
    const std::int32_t bytes = bits_per_pixel / 8;
    picture.stride = (width * bytes + 3) / 4 * 4;
    picture.pixels.assign(static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(height), 0);
    if (bits_per_pixel == 8) {
        for (std::uint32_t i = 0; i < 256; ++i)
            picture.palette.push_back(i << 16 | i << 8 | i);
    }
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(height - 1 - y) * picture.stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            std::uint8_t* p = row + x * bytes;
            if (bytes == 1) {
                p[0] = static_cast<std::uint8_t>(c);
                continue;
            }
            p[0] = static_cast<std::uint8_t>(c);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c >> 16);
        }
    }
    return picture;
}

std::uint32_t PositionColour(std::int32_t x, std::int32_t y)
{
    return static_cast<std::uint32_t>(x & 0xFF) << 16 | static_cast<std::uint32_t>(y & 0xFF) << 8 |
           static_cast<std::uint32_t>((x >> 8) << 4 | (y >> 8));
}

platform::Picture PositionPicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel)
{
    return MakePicture(width, height, bits_per_pixel, PositionColour);
}

std::uint32_t PixelAt(const platform::Picture& picture, std::int32_t x, std::int32_t top_row)
{
    const std::int32_t bytes = picture.bits_per_pixel / 8;
    const std::uint8_t* p = picture.pixels.data() +
                            static_cast<std::size_t>(picture.height - 1 - top_row) * picture.stride + x * bytes;
    if (bytes == 1)
        return *p < picture.palette.size() ? picture.palette[*p] : 0;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16;
}

std::optional<platform::Picture> ReadSimpleBmp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return std::nullopt;
    const std::uint32_t offset = Read32(bytes, 10);
    const auto width = static_cast<std::int32_t>(Read32(bytes, 18));
    const auto height = static_cast<std::int32_t>(Read32(bytes, 22));
    const std::uint16_t bits = Read16(bytes, 28);
    if (width <= 0 || height <= 0 || width > 20000 || height > 20000 || Read32(bytes, 30) != 0 ||
        (bits != 8 && bits != 24 && bits != 32))
        return std::nullopt;
    platform::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bits_per_pixel = bits;
    picture.stride = (width * (bits / 8) + 3) / 4 * 4;
    const std::size_t size = static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(height);
    if (offset + size > bytes.size())
        return std::nullopt;
    if (bits == 8) {
        if (offset < 54 + 1024)
            return std::nullopt;
        for (std::size_t i = 0; i < 256; ++i)
            picture.palette.push_back(Read32(bytes, 54 + 4 * i) & 0x00FFFFFF);
    }
    picture.pixels.assign(bytes.begin() + offset, bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
    return picture;
}

void FakePictureCodec::Add(const std::string& path, platform::Picture picture)
{
    stored[path] = std::move(picture);
    if (m_files != nullptr)
        m_files->AddReadableFile(path);
}

platform::PictureResult FakePictureCodec::LoadPicture(std::string_view path)
{
    const std::string key(path);
    const std::size_t number = loads.size();
    loads.push_back(key);
    platform::PictureResult result;
    if (failing_loads.count(key) != 0 || failing_load_numbers.count(number) != 0) {
        result.error = "refused by the test";
        return result;
    }
    const bool readable = m_files == nullptr || m_files->CanOpenForReading(key);
    if (auto it = stored.find(key); it != stored.end()) {
        if (readable)
            result.picture = it->second;
    } else {
        result.picture = ReadSimpleBmp(key);
    }
    if (!result.picture) {
        result.error = "no such picture";
        return result;
    }
    result.natural_width = result.picture->width;
    result.natural_height = result.picture->height;
    return result;
}

platform::PictureResult FakePictureCodec::LoadPictureRegion(std::string_view path,
                                                            const platform::RegionChooser& choose_region)
{
    platform::PictureResult whole = LoadPicture(path);
    if (!whole.picture)
        return whole;
    const platform::Picture& full = *whole.picture;
    const platform::Rect rect = choose_region(full.width, full.height);
    regions.push_back(rect);
    platform::PictureResult result;
    result.natural_width = full.width;
    result.natural_height = full.height;
    if (rect.left < 0 || rect.top < 0 || rect.right > full.width || rect.bottom > full.height ||
        rect.right <= rect.left || rect.bottom <= rect.top) {
        result.error = "region outside the picture";
        return result;
    }
    if (full.bits_per_pixel == 8) {
        // Indexes and colour table as they are, as a palette decoder gives.
        result.picture = MakePicture(rect.right - rect.left, rect.bottom - rect.top, 8,
                                     [&](std::int32_t x, std::int32_t y) {
                                         const std::int64_t row = full.height - 1 - (rect.top + y);
                                         return full.pixels[static_cast<std::size_t>(row * full.stride + rect.left + x)];
                                     });
        result.picture->palette = full.palette;
        return result;
    }
    result.picture = MakePicture(rect.right - rect.left, rect.bottom - rect.top, full.bits_per_pixel,
                                 [&](std::int32_t x, std::int32_t y) {
                                     return PixelAt(full, rect.left + x, rect.top + y);
                                 });
    return result;
}

platform::PictureResult FakePictureCodec::LoadPictureFromMemory(std::span<const std::uint8_t> bytes)
{
    memory_bytes = bytes.size();
    platform::PictureResult result;
    result.picture = memory_picture;
    if (!result.picture)
        result.error = "no in-memory picture in this test";
    return result;
}

bool FakePictureCodec::SavePicture(const platform::Picture& picture, std::string_view path)
{
    saves.emplace_back(path);
    if (fail_saves || picture.empty())
        return false;
    Add(std::string(path), picture);
    return true;
}

}  // namespace nuvra::test
