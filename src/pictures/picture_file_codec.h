// PictureFileCodec: the platform's LoadPicture and SavePicture, on the
// shared decoders, for any backend.
//
// Reads BMP, GIF, JPEG and WMF files (recognised by their first bytes) and
// writes uncompressed BMP files (in one step, not waited onto the disk: they
// are the work files). The backend lends it the three things only a system
// can do (PictureBackend): read a whole file, replace one, and draw a
// metafile. It owns no state between calls; every failure comes back as a
// result (never an exception) and leaves the caller's picture and files as
// they were.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/picture_decoding.h"
#include "platform/picture.h"

namespace nuvra::pictures {

// Larger than any picture the caps allow in a sane format; reading more
// would only cost memory before the decoder refused it.
inline constexpr std::uint64_t kMaxPictureFileBytes = 512ull * 1024 * 1024;

struct FileBytes {
    std::optional<std::vector<std::uint8_t>> bytes;
    std::string error;
};

// What a backend lends the codec: plain functions, so that one table serves
// every codec.
struct PictureBackend {
    // A whole file's bytes. Directories, FIFOs, devices, missing and
    // unreadable files fail without blocking; so does a file over max_bytes.
    FileBytes (*read_file)(std::string_view path, std::uint64_t max_bytes) = nullptr;
    // Replaces the file at path with bytes in one step, as
    // FileSystem::ReplaceFile does (a work file: it need not wait for the
    // disk); false on failure, with the old file untouched.
    bool (*replace_file)(std::string_view path, std::span<const std::uint8_t> bytes) = nullptr;
    // Draws metafiles; without one they fail to load.
    WmfRenderer render_wmf = nullptr;
};

class PictureFileCodec : public platform::PictureCodec {
public:
    // read_file and replace_file are required.
    explicit PictureFileCodec(const PictureBackend& backend, const DecodeLimits& limits = {})
        : m_backend(backend)
        , m_limits(limits)
    {
    }

    platform::PictureResult LoadPicture(std::string_view path) override;
    // Only the region is built (a metafile is drawn whole first), so the
    // region of a picture too large to load whole still loads. An empty
    // region fails.
    platform::PictureResult LoadPictureRegion(std::string_view path,
                                              const platform::RegionChooser& choose_region) override;
    platform::PictureResult LoadPictureFromMemory(std::span<const std::uint8_t> bytes) override;
    bool SavePicture(const platform::Picture& picture, std::string_view path) override;

private:
    platform::PictureResult Load(std::string_view path, const platform::RegionChooser* choose_region);

    PictureBackend m_backend;
    DecodeLimits m_limits;
};

}  // namespace nuvra::pictures
