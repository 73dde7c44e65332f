// The shared-memory present path: the show's frames drawn straight into the
// window's own SDL surface (the X server's shared memory), for machines
// where no graphics card renders. Called by SdlWindow for every indexed
// frame while it has no hardware renderer; owns only what it remembers of
// the last frame (the surface, the picture's place on it). It never creates or
// frees the surface (SDL owns it with the window) and never draws canvases.
#pragma once

#include <SDL.h>

#include "platform/common/frame_pacer.h"
#include "platform/window.h"

namespace nuvra::linux_platform {

class SurfacePresenter {
public:
    // Draws the frame and sends what changed; false when the window has no
    // surface of a kind this path can draw into (nothing was drawn).
    bool Present(SDL_Window* window, const platform::IndexedImage& image, platform::Point position,
                 common_platform::FramePacer& pacer);

    // The next frame sends the whole surface: the screen's copy of it is
    // gone (part of the window was uncovered) or someone else drew on it.
    void NoteExposed() { m_exposed = true; }
    // Another path drew on the window; the next frame starts afresh.
    void Forget() { m_surface = nullptr; }

private:
    SDL_Surface* m_surface = nullptr;  // the surface last drawn into
    SDL_Point m_surface_size{};        // and its size then
    SDL_Rect m_last_wanted{};          // the picture's place, unclipped
    SDL_Rect m_last_box{};             // the picture's place on the surface
    common_platform::FramePacer::Clock::time_point m_next_whole_update{};
    bool m_exposed = false;
};

}  // namespace nuvra::linux_platform
