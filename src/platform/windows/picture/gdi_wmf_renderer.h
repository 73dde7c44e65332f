// Windows metafiles drawn by GDI itself, at their natural size at 96 dpi, on
// white, to 24-bit BGR, behind the shared record walk (pictures/
// wmf_records.h): GDI only ever plays the records the walk let through.
//
// Size and placement follow the Linux renderer's rules, which are how
// Windows plays a metafile picture:
//  - placeable files: the frame in their header, in its units per inch, sets
//    the size, and the frame (its origin included) is the window stretched
//    over the picture until the file sets a window of its own;
//  - plain files: one logical unit is one pixel; the picture is the file's
//    window where it sets an extent, else the extent of what it draws.
#pragma once

#include "pictures/picture_decoding.h"
#include "pictures/wmf_records.h"

namespace nuvra::windows_platform {

platform::PictureResult RenderWmfWithGdi(const pictures::WmfFile& metafile, const pictures::DecodeLimits& limits,
                                         const platform::RegionChooser* choose_region);

}  // namespace nuvra::windows_platform
