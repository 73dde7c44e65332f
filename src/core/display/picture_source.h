// Picture preparation: turns the next picture of the list, or the desktop,
// into the square the renderer shows. The square is no taller than the
// screen; it is prepared in memory (cut, brought to the screen's depth and
// reduced to 8 bits) and then written as the two work files: the first at the
// screen's depth (24 bits, whatever the picture's own depth), the second at 8
// bits. The renderer takes the 8-bit square from memory, so work files that
// cannot be written never stop the show: the first such failure is reported
// once through the platform's diagnostics.
//
// LoadNextPicture runs when the show starts with a non-empty list and at
// every picture change; every step runs and a failing one is skipped, so a
// picture that cannot be loaded shows the previous one again. CaptureDesktop
// runs at the start of a show whose list is empty, before the show's window
// is up; it stops at the first failing step.
//
// The preparation of a listed file (PreparePictureFile) touches nothing but
// its arguments, so the show runs it ahead of time on a worker thread and
// only commits the result between two frames.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "display/nuvra_s.h"
#include "modules.h"
#include "platform/platform.h"

namespace nuvra {

// The side of the centre square: the smallest of width, height and the
// screen height, decided in the order the show has always used.
std::int32_t CentreSquareSide(std::int32_t width, std::int32_t height, std::int32_t screen_height);

// (extent - side) / 2 rounded half to even: 2.5 gives 2, 3.5 gives 4.
std::int32_t CentreOffset(std::int32_t extent, std::int32_t side);

// The side x side square whose top-left pixel is (left, top), top row 0, at
// the picture's depth (with its palette). Parts outside the picture are
// black, as a screen copy from outside the screen gives. Empty for side <= 0
// or an empty picture.
platform::Picture CropSquare(const platform::Picture& picture, std::int32_t left, std::int32_t top,
                             std::int32_t side);

// Where no desktop can be captured: the built-in sample picture, scaled to
// the screen height and centred on a black screen-sized picture, so that the
// centre square the capture takes is the sample's disc, whole.
std::optional<platform::Picture> SampleDesktop(std::int32_t screen_width, std::int32_t screen_height,
                                               platform::PictureCodec& pictures);

// A picture made ready for the renderer: the centre square at the screen's
// depth (what the first work file holds) and its 8-bit form (what the second
// holds, laid out as the renderer reads it back).
struct PreparedPicture {
    platform::Picture square;
    platform::Picture eight_bit;
};

// The square (any depth) at 24 bits and reduced to 8; nothing when it is
// empty or cannot be reduced.
std::optional<PreparedPicture> PrepareSquare(const platform::Picture& square);

// The file at path, cut to its centre square no taller than screen_height
// (while decoding where the decoder can) and prepared; nothing when it cannot
// be loaded. Safe on any thread when pictures is.
std::optional<PreparedPicture> PreparePictureFile(std::string_view path, std::int32_t screen_height,
                                                  platform::PictureCodec& pictures);

// The position in ShowOrder after the form's PictureIndex; past the end of
// the list a fresh order is built and the position is 1.
std::int16_t NextPictureIndex(const NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform);

// The file at a position of ShowOrder; empty when the position names none.
std::string ListedPicturePath(const ImageList& list, std::int16_t index);

// Makes a prepared picture the form's current one: Pic_Ogn and the 8-bit
// square the renderer takes, then the two work files (best effort).
void CommitPicture(NuvraS& form, PreparedPicture picture, platform::Platform& platform);

void LoadNextPicture(NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform);

void CaptureDesktop(NuvraS& form, platform::Platform& platform);

// The built-in sample picture, prepared as CaptureDesktop prepares the
// desktop: for a show none of whose pictures could be prepared.
void ShowSamplePicture(NuvraS& form, platform::Platform& platform);

// For a show in a screen-saver daemon's window (none: the root window),
// whose screen is the daemon's black window: the desktop the daemon saved
// for that window before covering it, else the sample picture.
void ShowSavedDesktop(NuvraS& form, platform::Platform& platform, std::optional<std::int64_t> window);

}  // namespace nuvra
