// WindowsPictureCodec: the shared codec (pictures/picture_file_codec.h) with
// the Windows backend's part: files read through CreateFileW, work files
// replaced in one step without waiting for the disk, and metafiles drawn by
// GDI (gdi_wmf_renderer.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "pictures/picture_file_codec.h"

namespace nuvra::windows_platform {

// PictureBackend::read_file: only files on a disk are read (a folder, a
// device such as CON or a pipe fails at once); so is nothing over
// max_bytes. The path is UTF-8.
pictures::FileBytes ReadPictureFile(std::string_view path,
                                    std::uint64_t max_bytes = pictures::kMaxPictureFileBytes);

class WindowsPictureCodec final : public pictures::PictureFileCodec {
public:
    explicit WindowsPictureCodec(const pictures::DecodeLimits& limits = {});
};

}  // namespace nuvra::windows_platform
