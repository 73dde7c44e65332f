// Picture files on disk: reading one whole (regular files only, with a size
// cap). Writing one goes through ReplaceFileAtomically (posix_file.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::linux_platform {

// Larger than any picture the caps allow in a sane format; reading more
// would only cost memory before the decoder refused it.
inline constexpr std::uint64_t kMaxPictureFileBytes = 512ull * 1024 * 1024;

struct FileBytes {
    std::optional<std::vector<std::uint8_t>> bytes;
    std::string error;
};

// Directories, FIFOs, devices, missing and unreadable files fail without
// blocking; so does a file over max_bytes.
FileBytes ReadPictureFile(std::string_view path, std::uint64_t max_bytes = kMaxPictureFileBytes);

}  // namespace nuvra::linux_platform
