// Drawing onto a Canvas for the owner-drawn controls: fills, copies,
// nearest-neighbour stretching, the classic 3-D edges and text.
//
// Every function draws only inside clip (and the canvas): a control repaints
// just the part of the window that needs it. Rectangles are right- and
// bottom-exclusive.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/font.h"
#include "platform/picture.h"
#include "platform/window.h"

namespace nuvra::ui {

// The system colours of a classic 3-D look.
namespace colour {
inline constexpr std::uint32_t kHighlight = 0xFFFFFF;
inline constexpr std::uint32_t kLight = 0xE3E3E3;
inline constexpr std::uint32_t kFace = 0xF0F0F0;
inline constexpr std::uint32_t kShadow = 0xA0A0A0;
inline constexpr std::uint32_t kDarkShadow = 0x696969;
inline constexpr std::uint32_t kWindow = 0xFFFFFF;
inline constexpr std::uint32_t kText = 0x000000;
inline constexpr std::uint32_t kGreyText = 0x6D6D6D;
inline constexpr std::uint32_t kSelection = 0x0078D7;
inline constexpr std::uint32_t kSelectionText = 0xFFFFFF;
inline constexpr std::uint32_t kTrack = 0xF4F4F4;
}  // namespace colour

bool Intersects(const platform::Rect& a, const platform::Rect& b);
platform::Rect Intersection(const platform::Rect& a, const platform::Rect& b);
platform::Rect Union(const platform::Rect& a, const platform::Rect& b);
bool Contains(const platform::Rect& rect, std::int32_t x, std::int32_t y);
inline std::int32_t Width(const platform::Rect& r) { return r.right - r.left; }
inline std::int32_t Height(const platform::Rect& r) { return r.bottom - r.top; }

// A canvas and the part of it that may be drawn on now.
struct Surface {
    platform::Canvas& canvas;
    platform::Rect clip;

    explicit Surface(platform::Canvas& target);
    Surface(platform::Canvas& target, const platform::Rect& limit);
    // The same canvas with clip narrowed to rect.
    Surface Clipped(const platform::Rect& rect) const;
};

void FillRect(Surface& surface, const platform::Rect& rect, std::uint32_t colour);
// A one-pixel outline just inside rect.
void FrameRect(Surface& surface, const platform::Rect& rect, std::uint32_t colour);
// image's pixels, unscaled, with their top-left corner at (x, y).
void CopyImage(Surface& surface, const platform::Canvas& image, std::int32_t x, std::int32_t y);
// The source rectangle of image stretched onto the destination rectangle by
// dropping or repeating whole rows and columns (no blending), as a
// colour-on-colour stretch does.
void StretchImage(Surface& surface, const platform::Rect& destination, const platform::Canvas& image,
                  const platform::Rect& source);

enum class Edge { Raised, Sunken, RaisedThin, SunkenThin };
// The 3-D edge over the outermost pixels of rect: two pixels a side, or one
// for the thin edges.
void DrawEdge(Surface& surface, const platform::Rect& rect, Edge edge);

// Whether picture's rows hold what its size and depth (8, 24 or 32 bits)
// say they do.
bool HasReadablePixels(const platform::Picture& picture);
// The colour at (x, top_row) as 0x00RRGGBB (through the table for 8 bits;
// an index past it is black). picture must be readable and the point in it.
std::uint32_t PictureColour(const platform::Picture& picture, std::int32_t x, std::int32_t top_row);

// A picture's pixels as a canvas (24 and 32 bits, and 8 with its table);
// an empty canvas for anything else.
platform::Canvas CanvasFromPicture(const platform::Picture& picture);

enum class Align { Left, Center, Right };

// One line of text drawn inside box (clipped to it), aligned across it, its
// top at box.top.
void DrawTextLine(Surface& surface, platform::Font& font, std::string_view text, const platform::Rect& box,
                  Align align, std::uint32_t colour, bool underline);

}  // namespace nuvra::ui
