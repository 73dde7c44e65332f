// Metafiles drawn by libwmf's gd renderer: the WmfRenderer the Linux backend
// hands to DecodePicture and DecodeWmf (picture_decoding.h). It plays only
// the records the shared walk let through (wmf_records.h).
#pragma once

#include "pictures/picture_decoding.h"
#include "pictures/wmf_records.h"

namespace nuvra::linux_platform {

platform::PictureResult RenderWmf(const pictures::WmfFile& metafile, const pictures::DecodeLimits& limits,
                                  const platform::RegionChooser* choose_region);

}  // namespace nuvra::linux_platform
