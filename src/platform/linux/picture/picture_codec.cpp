#include "platform/linux/picture/picture_codec.h"

#include <algorithm>
#include <exception>
#include <new>

#include "pictures/bmp_writer.h"
#include "platform/linux/picture/picture_file.h"
#include "platform/linux/picture/wmf_renderer.h"
#include "platform/linux/posix_file.h"

namespace nuvra::linux_platform {

using pictures::DecodePicture;
using pictures::PictureFailure;

platform::PictureResult LinuxPictureCodec::LoadPicture(std::string_view path)
{
    return Load(path, nullptr);
}

platform::PictureResult LinuxPictureCodec::LoadPictureRegion(std::string_view path,
                                                             const platform::RegionChooser& choose_region)
{
    return Load(path, &choose_region);
}

platform::PictureResult LinuxPictureCodec::LoadPictureFromMemory(std::span<const std::uint8_t> bytes)
{
    return DecodePicture(bytes, m_limits, RenderWmf);
}

platform::PictureResult LinuxPictureCodec::Load(std::string_view path, const platform::RegionChooser* choose_region)
{
    try {
        // The file's bytes count against the memory a load may hold.
        FileBytes file = ReadPictureFile(path, std::min(kMaxPictureFileBytes, m_limits.max_memory));
        if (!file.bytes)
            return PictureFailure(std::move(file.error));
        return DecodePicture(*file.bytes, m_limits, RenderWmf, choose_region);
    } catch (const std::bad_alloc&) {
        return PictureFailure("out of memory");
    }
}

bool LinuxPictureCodec::SavePicture(const platform::Picture& picture, std::string_view path)
{
    try {
        const std::optional<std::vector<std::uint8_t>> bytes = pictures::EncodeBmp(picture);
        return bytes && ReplaceFileAtomically(path, *bytes, {}, Durability::kCached);
    } catch (const std::bad_alloc&) {
        return false;  // the old file is untouched: nothing was written yet
    }
}

}  // namespace nuvra::linux_platform
