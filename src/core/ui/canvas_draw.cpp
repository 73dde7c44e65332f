#include "ui/canvas_draw.h"

#include <algorithm>

namespace nuvra::ui {

namespace {

std::size_t Index(const platform::Canvas& canvas, std::int32_t x, std::int32_t y)
{
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) + static_cast<std::size_t>(x);
}

// Rounds a / b towards minus infinity, for mapping destination pixels back
// to source pixels.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

}  // namespace

bool Intersects(const platform::Rect& a, const platform::Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

platform::Rect Intersection(const platform::Rect& a, const platform::Rect& b)
{
    platform::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

platform::Rect Union(const platform::Rect& a, const platform::Rect& b)
{
    if (Width(a) <= 0 || Height(a) <= 0)
        return b;
    if (Width(b) <= 0 || Height(b) <= 0)
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool Contains(const platform::Rect& rect, std::int32_t x, std::int32_t y)
{
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

Surface::Surface(platform::Canvas& target) : canvas(target), clip{0, 0, target.width, target.height} {}

Surface::Surface(platform::Canvas& target, const platform::Rect& limit)
    : canvas(target), clip(Intersection(limit, {0, 0, target.width, target.height}))
{
}

Surface Surface::Clipped(const platform::Rect& rect) const
{
    return Surface(canvas, Intersection(clip, rect));
}

void FillRect(Surface& surface, const platform::Rect& rect, std::uint32_t colour)
{
    const platform::Rect r = Intersection(rect, surface.clip);
    for (std::int32_t y = r.top; y < r.bottom; ++y)
        std::fill_n(surface.canvas.pixels.begin() + static_cast<std::ptrdiff_t>(Index(surface.canvas, r.left, y)),
                    Width(r), colour);
}

void FrameRect(Surface& surface, const platform::Rect& rect, std::uint32_t colour)
{
    FillRect(surface, {rect.left, rect.top, rect.right, rect.top + 1}, colour);
    FillRect(surface, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
    FillRect(surface, {rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
    FillRect(surface, {rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
}

void CopyImage(Surface& surface, const platform::Canvas& image, std::int32_t x, std::int32_t y)
{
    const platform::Rect r = Intersection({x, y, x + image.width, y + image.height}, surface.clip);
    for (std::int32_t row = r.top; row < r.bottom; ++row) {
        const auto from = image.pixels.begin() + static_cast<std::ptrdiff_t>(Index(image, r.left - x, row - y));
        std::copy_n(from, Width(r),
                    surface.canvas.pixels.begin() + static_cast<std::ptrdiff_t>(Index(surface.canvas, r.left, row)));
    }
}

void StretchImage(Surface& surface, const platform::Rect& destination, const platform::Canvas& image,
                  const platform::Rect& source)
{
    const std::int64_t dw = Width(destination);
    const std::int64_t dh = Height(destination);
    const std::int64_t sw = Width(source);
    const std::int64_t sh = Height(source);
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    const platform::Rect r = Intersection(destination, surface.clip);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        // Each destination pixel takes the source pixel under its centre.
        const std::int64_t sy = source.top + FloorDiv((2 * (y - destination.top) + 1) * sh, 2 * dh);
        if (sy < 0 || sy >= image.height)
            continue;
        for (std::int32_t x = r.left; x < r.right; ++x) {
            const std::int64_t sx = source.left + FloorDiv((2 * (x - destination.left) + 1) * sw, 2 * dw);
            if (sx < 0 || sx >= image.width)
                continue;
            surface.canvas.pixels[Index(surface.canvas, x, y)] =
                image.pixels[Index(image, static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy))];
        }
    }
}

void DrawEdge(Surface& surface, const platform::Rect& rect, Edge edge)
{
    auto bevel = [&surface](const platform::Rect& r, std::uint32_t top_left, std::uint32_t bottom_right) {
        FillRect(surface, {r.left, r.top, r.right, r.top + 1}, top_left);
        FillRect(surface, {r.left, r.top, r.left + 1, r.bottom}, top_left);
        FillRect(surface, {r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
        FillRect(surface, {r.right - 1, r.top, r.right, r.bottom}, bottom_right);
    };
    const platform::Rect inner{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    switch (edge) {
    case Edge::Raised:
        bevel(rect, colour::kLight, colour::kDarkShadow);
        bevel(inner, colour::kHighlight, colour::kShadow);
        break;
    case Edge::Sunken:
        bevel(rect, colour::kShadow, colour::kHighlight);
        bevel(inner, colour::kDarkShadow, colour::kLight);
        break;
    case Edge::RaisedThin:
        bevel(rect, colour::kHighlight, colour::kShadow);
        break;
    case Edge::SunkenThin:
        bevel(rect, colour::kShadow, colour::kHighlight);
        break;
    }
}

bool HasReadablePixels(const platform::Picture& picture)
{
    const std::int32_t bytes = picture.bits_per_pixel / 8;
    return !picture.empty() && (bytes == 1 || bytes == 3 || bytes == 4) &&
           static_cast<std::int64_t>(picture.stride) * picture.height <=
               static_cast<std::int64_t>(picture.pixels.size()) &&
           static_cast<std::int64_t>(picture.width) * bytes <= picture.stride;
}

std::uint32_t PictureColour(const platform::Picture& picture, std::int32_t x, std::int32_t top_row)
{
    const std::int32_t bytes = picture.bits_per_pixel / 8;
    const std::uint8_t* p = picture.pixels.data() +
                            static_cast<std::int64_t>(picture.height - 1 - top_row) * picture.stride +
                            static_cast<std::int64_t>(x) * bytes;
    if (bytes == 1)
        return *p < picture.palette.size() ? picture.palette[*p] & 0xFFFFFFu : 0;
    return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

platform::Canvas CanvasFromPicture(const platform::Picture& picture)
{
    platform::Canvas canvas;
    if (!HasReadablePixels(picture))
        return canvas;
    canvas.width = picture.width;
    canvas.height = picture.height;
    canvas.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (std::int32_t y = 0; y < picture.height; ++y)
        for (std::int32_t x = 0; x < picture.width; ++x)
            canvas.pixels[Index(canvas, x, y)] = PictureColour(picture, x, y);
    return canvas;
}

void DrawTextLine(Surface& surface, platform::Font& font, std::string_view text, const platform::Rect& box,
                  Align align, std::uint32_t colour, bool underline)
{
    const platform::Rect area = Intersection(box, surface.clip);
    if (text.empty() || Width(area) <= 0 || Height(area) <= 0)
        return;
    const platform::TextExtent extent = font.Measure(text);
    std::int32_t x = box.left;
    if (align == Align::Center)
        x = box.left + (Width(box) - extent.width) / 2;
    else if (align == Align::Right)
        x = box.right - extent.width;
    // The font clips only to the canvas it draws on: draw onto a copy of
    // the visible part and put that back, so no glyph leaves the box.
    platform::Canvas scratch;
    scratch.width = Width(area);
    scratch.height = Height(area);
    scratch.pixels.resize(static_cast<std::size_t>(scratch.width) * static_cast<std::size_t>(scratch.height));
    for (std::int32_t y = 0; y < scratch.height; ++y)
        std::copy_n(surface.canvas.pixels.begin() +
                        static_cast<std::ptrdiff_t>(Index(surface.canvas, area.left, area.top + y)),
                    scratch.width, scratch.pixels.begin() + static_cast<std::ptrdiff_t>(Index(scratch, 0, y)));
    font.Draw(scratch, text, x - area.left, box.top - area.top, colour, underline);
    Surface target(surface.canvas, area);
    CopyImage(target, scratch, area.left, area.top);
}

}  // namespace nuvra::ui
