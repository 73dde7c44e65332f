// Picture files on disk: reading one whole (regular files only, with a size
// cap). Writing one goes through ReplaceFileAtomically (posix_file.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "pictures/picture_file_codec.h"

namespace nuvra::linux_platform {

// PictureBackend::read_file: directories, FIFOs, devices, missing and
// unreadable files fail without blocking; so does a file over max_bytes.
pictures::FileBytes ReadPictureFile(std::string_view path,
                                    std::uint64_t max_bytes = pictures::kMaxPictureFileBytes);

}  // namespace nuvra::linux_platform
