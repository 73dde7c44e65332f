#include "platform/linux/sdl_surface_present.h"

#include <array>
#include <cstdint>
#include <utility>

#include "platform/linux/indexed_copy.h"

namespace nuvra::linux_platform {

namespace {

// What a frame sends: the box and at most four strips of the last one.
struct DirtyRects {
    std::array<SDL_Rect, 5> rects{};
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
// server (the square, and the strips of the last square that it no longer
// covers), instead of clearing and sending the whole screen every frame.
bool SurfacePresenter::Present(SDL_Window* window, const platform::IndexedImage& image, platform::Point position,
                               common_platform::FramePacer& pacer)
{
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || (surface->format->format != SDL_PIXELFORMAT_RGB888 &&
                               surface->format->format != SDL_PIXELFORMAT_ARGB8888))
        return false;
    const SDL_Rect screen{0, 0, surface->w, surface->h};
    SDL_Rect box{};
    if (image.pixels != nullptr && image.width > 0 && image.height > 0) {
        const SDL_Rect wanted{position.x, position.y, image.width, image.height};
        SDL_IntersectRect(&wanted, &screen, &box);
    }
    // After an exposure, whenever the surface is new, and once a second in
    // case an exposure went unreported, all of it is sent.
    const common_platform::FramePacer::Clock::time_point now = common_platform::FramePacer::Clock::now();
    const bool whole = surface != m_surface || now >= m_next_whole_update || std::exchange(m_exposed, false);
    if (whole) {
        SDL_FillRect(surface, nullptr, 0);
        m_surface = surface;
        m_next_whole_update = now + std::chrono::seconds(1);
    }
    DirtyRects dirty;
    if (!whole)
        ClearUncovered(surface, m_last_box, box, dirty);
    if (box.w > 0 && box.h > 0) {
        if (SDL_MUSTLOCK(surface))
            SDL_LockSurface(surface);
        auto* target = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::int64_t>(box.y) * surface->pitch +
                       static_cast<std::int64_t>(box.x) * 4;
        CopyIndexedToArgb(image, target, surface->pitch,
                          platform::Rect{box.x - position.x, box.y - position.y, box.x - position.x + box.w,
                                         box.y - position.y + box.h});
        if (SDL_MUSTLOCK(surface))
            SDL_UnlockSurface(surface);
        dirty.Add(box);
    }
    m_last_box = box;
    if (whole)
        SDL_UpdateWindowSurface(window);
    else if (dirty.count > 0)
        SDL_UpdateWindowSurfaceRects(window, dirty.rects.data(), dirty.count);
    pacer.WaitForNextFrame();
    return true;
}

}  // namespace nuvra::linux_platform
