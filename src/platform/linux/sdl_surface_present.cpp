#include "platform/linux/sdl_surface_present.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <utility>

#include "platform/linux/changed_bands.h"
#include "platform/linux/indexed_copy.h"

namespace nuvra::linux_platform {

namespace {

// What a frame sends: the box and at most four strips of the last one, or
// the bands of the rows that changed.
struct DirtyRects {
    std::array<SDL_Rect, kChangedBands + 4> rects{};
    int count = 0;
    void Add(const SDL_Rect& rect) { rects[static_cast<std::size_t>(count++)] = rect; }
};

// Paints black the parts of the old box that the new one leaves bare, as at
// most four strips.
void ClearUncovered(SDL_Surface* surface, const SDL_Rect& old_box, const SDL_Rect& new_box, DirtyRects& dirty)
{
    if (old_box.w <= 0 || old_box.h <= 0)
        return;
    SDL_Rect overlap{};
    if (!SDL_IntersectRect(&old_box, &new_box, &overlap)) {
        SDL_FillRect(surface, &old_box, 0);
        dirty.Add(old_box);
        return;
    }
    const SDL_Rect strips[4] = {
        {old_box.x, old_box.y, old_box.w, overlap.y - old_box.y},                                      // above
        {old_box.x, overlap.y + overlap.h, old_box.w, old_box.y + old_box.h - overlap.y - overlap.h},  // below
        {old_box.x, overlap.y, overlap.x - old_box.x, overlap.h},                                      // left
        {overlap.x + overlap.w, overlap.y, old_box.x + old_box.w - overlap.x - overlap.w, overlap.h},  // right
    };
    for (const SDL_Rect& strip : strips) {
        if (strip.w > 0 && strip.h > 0) {
            SDL_FillRect(surface, &strip, 0);
            dirty.Add(strip);
        }
    }
}

}  // namespace

// The square is converted into place and only what changed is sent to the X
// server: the picture's changed rows as the core describes them, in a few
// bands that follow their outline (nothing for a frame that changed
// nothing), the whole picture when it moved, and the strips of the last box
// that the new one no longer covers.
bool SurfacePresenter::Present(SDL_Window* window, const platform::IndexedImage& image, platform::Point position,
                               common_platform::FramePacer& pacer)
{
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || (surface->format->format != SDL_PIXELFORMAT_RGB888 &&
                               surface->format->format != SDL_PIXELFORMAT_ARGB8888))
        return false;
    const SDL_Rect screen{0, 0, surface->w, surface->h};
    SDL_Rect wanted{};
    SDL_Rect box{};
    if (image.pixels != nullptr && image.width > 0 && image.height > 0) {
        wanted = SDL_Rect{position.x, position.y, image.width, image.height};
        SDL_IntersectRect(&wanted, &screen, &box);
    }
    // A new surface is drawn afresh. After an exposure, and once a second in
    // case an exposure went unreported, all of it is sent: it still holds
    // the last frame, so only what changed is drawn into it.
    const bool fresh = surface != m_surface || surface->w != m_surface_size.x || surface->h != m_surface_size.y;
    const common_platform::FramePacer::Clock::time_point now = common_platform::FramePacer::Clock::now();
    const bool send_whole = fresh || now >= m_next_whole_update || std::exchange(m_exposed, false);
    if (send_whole)
        m_next_whole_update = now + std::chrono::seconds(1);
    const bool moved = !SDL_RectEquals(&wanted, &m_last_wanted);
    DirtyRects dirty;
    if (fresh) {
        SDL_FillRect(surface, nullptr, 0);
        m_surface = surface;
        m_surface_size = SDL_Point{surface->w, surface->h};
    } else if (moved) {
        ClearUncovered(surface, m_last_box, box, dirty);
    }
    SDL_Rect drawn = box;
    std::span<const platform::RowSpan> rows;
    if (!fresh && !moved && image.change == platform::ImageChange::None) {
        drawn = SDL_Rect{};
    } else if (!fresh && !moved && image.change == platform::ImageChange::Rows) {
        const platform::Rect& changed = image.changed_box;
        const SDL_Rect on_screen{position.x + changed.left, position.y + changed.top, changed.right - changed.left,
                                 changed.bottom - changed.top};
        if (!SDL_IntersectRect(&on_screen, &box, &drawn))
            drawn = SDL_Rect{};
        rows = image.changed_rows;
    }
    if (drawn.w > 0 && drawn.h > 0) {
        // The drawn part in the picture's own coordinates.
        const platform::Rect part{drawn.x - position.x, drawn.y - position.y, drawn.x - position.x + drawn.w,
                                  drawn.y - position.y + drawn.h};
        if (SDL_MUSTLOCK(surface))
            SDL_LockSurface(surface);
        auto* target = static_cast<std::uint8_t*>(surface->pixels) +
                       static_cast<std::int64_t>(drawn.y) * surface->pitch + static_cast<std::int64_t>(drawn.x) * 4;
        CopyIndexedToArgb(image, target, surface->pitch, part, rows);
        if (SDL_MUSTLOCK(surface))
            SDL_UnlockSurface(surface);
        if (rows.empty()) {
            dirty.Add(drawn);
        } else {
            std::array<platform::Rect, kChangedBands> bands;
            const int count = ChangedBands(rows, image.height, part, bands);
            for (const platform::Rect& band : std::span(bands).first(static_cast<std::size_t>(count)))
                dirty.Add(SDL_Rect{position.x + band.left, position.y + band.top, band.right - band.left,
                                   band.bottom - band.top});
        }
    }
    m_last_box = box;
    m_last_wanted = wanted;
    if (send_whole)
        SDL_UpdateWindowSurface(window);
    else if (dirty.count > 0)
        SDL_UpdateWindowSurfaceRects(window, dirty.rects.data(), dirty.count);
    pacer.AfterPresent(false);
    return true;
}

}  // namespace nuvra::linux_platform
