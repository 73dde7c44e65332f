#include "pictures/picture_file_codec.h"

#include <algorithm>
#include <exception>
#include <new>

#include "pictures/bmp_writer.h"

namespace nuvra::pictures {

platform::PictureResult PictureFileCodec::LoadPicture(std::string_view path)
{
    return Load(path, nullptr);
}

platform::PictureResult PictureFileCodec::LoadPictureRegion(std::string_view path,
                                                            const platform::RegionChooser& choose_region)
{
    return Load(path, &choose_region);
}

platform::PictureResult PictureFileCodec::LoadPictureFromMemory(std::span<const std::uint8_t> bytes)
{
    return DecodePicture(bytes, m_limits, m_backend.render_wmf);
}

platform::PictureResult PictureFileCodec::Load(std::string_view path, const platform::RegionChooser* choose_region)
{
    try {
        // The file's bytes count against the memory a load may hold.
        FileBytes file = m_backend.read_file(path, std::min(kMaxPictureFileBytes, m_limits.max_memory));
        if (!file.bytes)
            return PictureFailure(std::move(file.error));
        return DecodePicture(*file.bytes, m_limits, m_backend.render_wmf, choose_region);
    } catch (const std::bad_alloc&) {
        return PictureFailure("out of memory");
    }
}

bool PictureFileCodec::SavePicture(const platform::Picture& picture, std::string_view path)
{
    try {
        const std::optional<std::vector<std::uint8_t>> bytes = EncodeBmp(picture);
        return bytes && m_backend.replace_file(path, *bytes);
    } catch (const std::bad_alloc&) {
        return false;  // the old file is untouched: nothing was written yet
    }
}

}  // namespace nuvra::pictures
