// Fakes of the picture services for the core's tests, and small picture
// builders. The fake codec keeps saved pictures in memory under their path
// (visible only while the fake file system lists the path as readable, so a
// deleted file is gone) and reads real files only for the 8-bit work file
// the core writes itself (uncompressed bottom-up BMP, our own layout), so
// tests see exactly what the core asked for and nothing of a real decoder.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "support/fake_platform.h"

namespace nuvra::test {

// A picture of the given depth (8, 24 or 32) whose pixel at (x, top_row)
// has colour(x, top_row) as 0x00RRGGBB; 8-bit pictures take the colour's
// low byte as the index and get a grey palette.
platform::Picture MakePicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel,
                              const std::function<std::uint32_t(std::int32_t x, std::int32_t top_row)>& colour);

// Each pixel's colour is its own position: red = x, green = y (mod 256),
// blue = the high bits of both, so a copied pixel tells where it came from.
std::uint32_t PositionColour(std::int32_t x, std::int32_t y);

// A picture of the given depth coloured by PositionColour.
platform::Picture PositionPicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel = 24);

// The colour at (x, top_row) as 0x00RRGGBB (through the palette for 8 bits).
std::uint32_t PixelAt(const platform::Picture& picture, std::int32_t x, std::int32_t top_row);

// Reads an uncompressed bottom-up BMP of 8, 24 or 32 bits; nothing for
// anything else.
std::optional<platform::Picture> ReadSimpleBmp(const std::string& path);

class FakePictureCodec final : public platform::PictureCodec {
public:
    // Saved pictures become readable through files as well, so the core's
    // FileExists sees them.
    explicit FakePictureCodec(FakeFileSystem* files = nullptr) : m_files(files) {}

    platform::PictureResult LoadPicture(std::string_view path) override;
    platform::PictureResult LoadPictureRegion(std::string_view path,
                                              const platform::RegionChooser& choose_region) override;
    platform::PictureResult LoadPictureFromMemory(std::span<const std::uint8_t> bytes) override;
    bool SavePicture(const platform::Picture& picture, std::string_view path) override;

    void Add(const std::string& path, platform::Picture picture);

    std::map<std::string, platform::Picture> stored;  // path -> picture
    std::set<std::string> failing_loads;               // these paths fail to load
    std::set<std::size_t> failing_load_numbers;        // so do these calls (0 = the first load)
    bool fail_saves = false;
    std::optional<platform::Picture> memory_picture;   // what LoadPictureFromMemory returns

    std::vector<std::string> loads;  // every path asked for, region loads included
    std::vector<std::string> saves;  // every path saved to (failed saves included)
    std::vector<platform::Rect> regions;  // every region chosen
    std::size_t memory_bytes = 0;         // size of the last in-memory load

private:
    FakeFileSystem* m_files;
};

class FakeDesktopCapture final : public platform::DesktopCapture {
public:
    std::optional<platform::Picture> CaptureScreen() override
    {
        ++calls;
        return screen;
    }

    std::optional<platform::Picture> CaptureSavedDesktop(std::optional<std::int64_t> window) override
    {
        saved_for.push_back(window);
        return saved;
    }

    std::optional<platform::Picture> screen;
    int calls = 0;
    std::optional<platform::Picture> saved;  // what a daemon saved for its window
    std::vector<std::optional<std::int64_t>> saved_for;
};

class FakeMessageBox final : public platform::MessageBoxService {
public:
    struct Shown {
        std::string text, title;
        platform::MessageBoxStyle style;
    };
    void MessageBox(const std::string& text, const std::string& title, platform::MessageBoxStyle style) override
    {
        shown.push_back({text, title, style});
    }

    std::vector<Shown> shown;
};

// FakePlatform with the picture services above wired in.
struct FakePicturePlatform : FakePlatform {
    FakePicturePlatform()
    {
        platform.pictures = &pictures;
        platform.capture = &capture;
        platform.message_box = &message_box;
    }
    FakePictureCodec pictures{&files};
    FakeDesktopCapture capture;
    FakeMessageBox message_box;
};

}  // namespace nuvra::test
