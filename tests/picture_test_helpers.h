// Helpers for the picture decoder tests: a deterministic test image, pixel
// comparison that names the first difference, little-endian file building,
// ImageMagick's convert for files we do not write ourselves, and a child
// process with a memory limit for the loads that must stay small.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra::test {

// Top row first, 0xRRGGBB.
struct TestImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t at(std::int32_t x, std::int32_t y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};

// Smooth ramps with a few hard edges, so that both colour and position
// errors show; with colours > 0 the values are limited to that many.
inline TestImage MakeTestImage(std::int32_t width, std::int32_t height, std::uint32_t colours = 0)
{
    TestImage image{width, height, {}};
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            if (colours > 0) {
                image.rgb.push_back(((static_cast<std::uint32_t>(x / 3 + y * 7) % colours) * 0x2F1B57u) & 0xFFFFFF);
                continue;
            }
            const std::uint32_t red = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
            const std::uint32_t green = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
            const std::uint32_t blue = ((x / 4 + y / 4) % 2) != 0 ? 200u : 40u;
            image.rgb.push_back(red << 16 | green << 8 | blue);
        }
    }
    return image;
}

inline std::uint32_t PixelAt(const platform::Picture& picture, std::int32_t x, std::int32_t y)
{
    const std::uint8_t* row = pictures::RowFromTop(picture, y);
    if (picture.bits_per_pixel == 8) {
        const std::uint8_t index = row[x];
        return index < picture.palette.size() ? picture.palette[index] : 0xDEAD00;
    }
    const std::uint8_t* pixel = row + x * (picture.bits_per_pixel / 8);
    return static_cast<std::uint32_t>(pixel[2]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 | pixel[0];
}

inline std::string Hex(std::uint32_t colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(colour));
    return text;
}

// Empty when every channel of every pixel is within tolerance; otherwise
// where the first difference is, and what was expected and got.
inline std::string CompareToImage(const platform::Picture& picture, const TestImage& image, int tolerance = 0)
{
    if (picture.width != image.width || picture.height != image.height)
        return "size: expected " + std::to_string(image.width) + " x " + std::to_string(image.height) + ", got " +
               std::to_string(picture.width) + " x " + std::to_string(picture.height);
    for (std::int32_t y = 0; y < image.height; ++y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t expected = image.at(x, y);
            const std::uint32_t got = PixelAt(picture, x, y);
            for (int shift : {0, 8, 16}) {
                if (std::abs(static_cast<int>((expected >> shift) & 255) - static_cast<int>((got >> shift) & 255)) >
                    tolerance)
                    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + "): expected " + Hex(expected) +
                           ", got " + Hex(got);
            }
        }
    }
    return "";
}

// The picture as a TestImage, so pictures compare with CompareToImage.
inline TestImage ToImage(const platform::Picture& picture)
{
    TestImage image{picture.width, picture.height, {}};
    for (std::int32_t y = 0; y < picture.height; ++y)
        for (std::int32_t x = 0; x < picture.width; ++x)
            image.rgb.push_back(PixelAt(picture, x, y));
    return image;
}

// Little-endian file building.
struct Bytes {
    std::vector<std::uint8_t> data;

    Bytes& u8(std::uint32_t value)
    {
        data.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    Bytes& u16(std::uint32_t value) { return u8(value).u8(value >> 8); }
    Bytes& u32(std::uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    Bytes& append(const std::vector<std::uint8_t>& more)
    {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    std::size_t size() const { return data.size(); }
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes image as a binary PPM, the format convert reads without guessing.
inline void WritePpm(const std::string& path, const TestImage& image)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    for (std::uint32_t colour : image.rgb)
        out << static_cast<char>(colour >> 16) << static_cast<char>(colour >> 8) << static_cast<char>(colour);
}

// Reads a binary PPM as convert writes it (one header line per field).
inline TestImage ReadPpm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    TestImage image;
    int maximum = 0;
    in >> magic >> image.width >> image.height >> maximum;
    in.get();
    EXPECT_EQ(magic, "P6") << path;
    for (std::int32_t i = 0; i < image.width * image.height; ++i) {
        std::uint32_t colour = 0;
        for (int channel = 0; channel < 3; ++channel)
            colour = colour << 8 | static_cast<std::uint8_t>(in.get());
        image.rgb.push_back(colour);
    }
    return image;
}

// Runs ImageMagick's convert (a test dependency); the test fails, not skips,
// when it is missing.
inline std::vector<std::uint8_t> Convert(const std::string& input, const std::string& options,
                                         const std::string& output)
{
    const std::string command = "convert '" + input + "' " + options + " '" + output + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadBytes(output);
}

// AddressSanitizer reserves terabytes of shadow memory up front, so a
// process under it cannot run with a data limit at all.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

// The memory the show may spend on loading a picture.
inline constexpr std::uint64_t kLoadMemoryBound = 256ull << 20;

// Runs check in a child process whose data (heap and every private mapping)
// may not grow past limit_bytes, and returns what check returned: empty when
// it passed, else what went wrong. An allocation past the limit fails in the
// child as it would on a machine short of memory. Under AddressSanitizer
// check runs here without a limit: its pixels are still checked, the bound
// is not.
inline std::string RunWithMemoryLimit(std::uint64_t limit_bytes, const std::function<std::string()>& check)
{
    if (kUnderAddressSanitizer)
        return check();
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0)
        return "pipe failed";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return "fork failed";
    if (child == 0) {
        ::close(pipe_ends[0]);
        const rlimit limit{limit_bytes, limit_bytes};
        std::string outcome = ::setrlimit(RLIMIT_DATA, &limit) == 0 ? check() : "setrlimit failed";
        if (outcome.empty())
            outcome = "passed";
        const ssize_t written = ::write(pipe_ends[1], outcome.data(), outcome.size());
        ::_exit(written == static_cast<ssize_t>(outcome.size()) ? 0 : 1);
    }
    ::close(pipe_ends[1]);
    std::string outcome;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipe_ends[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0)
            break;
        outcome.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return "the child died of signal " + std::to_string(WTERMSIG(status)) + " after: " + outcome;
    return outcome == "passed" ? "" : outcome.empty() ? "the child reported nothing" : outcome;
}

// Pixels of a region compared with what is expected at each point of it
// (in picture coordinates), naming the first difference.
inline std::string CompareRegion(const platform::Picture& picture, const platform::Rect& region,
                                 const std::function<std::uint32_t(std::int32_t x, std::int32_t y)>& expected)
{
    if (picture.width != region.right - region.left || picture.height != region.bottom - region.top)
        return "size: expected " + std::to_string(region.right - region.left) + " x " +
               std::to_string(region.bottom - region.top) + ", got " + std::to_string(picture.width) + " x " +
               std::to_string(picture.height);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const std::uint32_t want = expected(region.left + x, region.top + y);
            const std::uint32_t got = PixelAt(picture, x, y);
            if (want != got)
                return "pixel (" + std::to_string(region.left + x) + ", " + std::to_string(region.top + y) +
                       "): expected " + Hex(want) + ", got " + Hex(got);
        }
    }
    return "";
}

// The show's region: the centre square, no taller than a 1080-line screen.
inline platform::Rect ShowRegion(std::int32_t width, std::int32_t height)
{
    const std::int32_t side = std::min({width, height, 1080});
    const std::int32_t left = (width - side) / 2;
    const std::int32_t top = (height - side) / 2;
    return {left, top, left + side, top + side};
}

}  // namespace nuvra::test
