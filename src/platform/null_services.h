// The stand-ins for the services a platform may not have: each does nothing
// and fails quietly, as the program does without the service (no message
// box shows, no font opens, no picture decodes, no desktop is captured, no
// chooser opens, nothing is said).
#pragma once

#include "platform/font.h"
#include "platform/picture.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/window.h"

namespace nuvra::platform {

class NullMessageBox final : public MessageBoxService {
public:
    void MessageBox(const std::string&, const std::string&, MessageBoxStyle) override {}
};

class NullFonts final : public FontService {
public:
    std::unique_ptr<Font> OpenFont(std::string_view, std::int32_t) override { return nullptr; }
};

inline constexpr const char* kNoPictureDecoder = "no picture decoder";

class NullPictures final : public PictureCodec {
public:
    PictureResult LoadPicture(std::string_view) override { return Nothing(); }
    PictureResult LoadPictureRegion(std::string_view, const RegionChooser&) override { return Nothing(); }
    PictureResult LoadPictureFromMemory(std::span<const std::uint8_t>) override { return Nothing(); }
    bool SavePicture(const Picture&, std::string_view) override { return false; }

private:
    static PictureResult Nothing() { return {std::nullopt, 0, 0, kNoPictureDecoder}; }
};

class NullCapture final : public DesktopCapture {
public:
    std::optional<Picture> CaptureScreen() override { return std::nullopt; }
};

class NullShell final : public Shell {
public:
    Choice BrowseForFolder(std::string_view) override { return {}; }
    Choice GetOpenFileName(std::string_view, std::string_view, std::string_view, std::string_view) override
    {
        return {};
    }
    std::int32_t OpenUrl(std::string_view) override { return 0; }
};

class NullDiagnostics final : public Diagnostics {
public:
    void Report(std::string_view) override {}
};

}  // namespace nuvra::platform
