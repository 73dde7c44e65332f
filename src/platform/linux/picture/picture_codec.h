// LinuxPictureCodec: the platform's LoadPicture and SavePicture, the shared
// codec (pictures/picture_file_codec.h) with the Linux backend's part:
// files read by ReadPictureFile, replaced by ReplaceFileAtomically without
// waiting for the disk, and metafiles drawn by libwmf (wmf_renderer.h).
#pragma once

#include "pictures/picture_file_codec.h"

namespace nuvra::linux_platform {

class LinuxPictureCodec final : public pictures::PictureFileCodec {
public:
    explicit LinuxPictureCodec(const pictures::DecodeLimits& limits = {});
};

}  // namespace nuvra::linux_platform
