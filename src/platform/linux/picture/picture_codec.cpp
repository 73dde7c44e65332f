#include "platform/linux/picture/picture_codec.h"

#include "platform/linux/picture/picture_file.h"
#include "platform/linux/picture/wmf_renderer.h"
#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

namespace {

bool ReplaceWorkFile(std::string_view path, std::span<const std::uint8_t> bytes)
{
    return ReplaceFileAtomically(path, bytes, {}, Durability::kCached);
}

constexpr pictures::PictureBackend kLinuxPictures{ReadPictureFile, ReplaceWorkFile, RenderWmf};

}  // namespace

LinuxPictureCodec::LinuxPictureCodec(const pictures::DecodeLimits& limits)
    : PictureFileCodec(kLinuxPictures, limits)
{
}

}  // namespace nuvra::linux_platform
