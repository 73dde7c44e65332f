// LinuxPictureCodec: the platform's LoadPicture and SavePicture.
//
// Reads BMP, GIF, JPEG and WMF files (recognised by their first bytes) with
// the shared decoders (pictures/picture_decoding.h) and writes uncompressed
// BMP files (in one step, not waited onto the disk: they are the work
// files). It owns no state between calls; every failure comes back as a result (never
// an exception) and leaves the caller's picture and files as they were.
#pragma once

#include "pictures/picture_decoding.h"
#include "platform/picture.h"

namespace nuvra::linux_platform {

class LinuxPictureCodec : public platform::PictureCodec {
public:
    LinuxPictureCodec() = default;
    explicit LinuxPictureCodec(const pictures::DecodeLimits& limits)
        : m_limits(limits)
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

    pictures::DecodeLimits m_limits;
};

}  // namespace nuvra::linux_platform
