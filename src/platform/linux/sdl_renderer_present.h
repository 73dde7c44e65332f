// The renderer present path: frames through an SDL renderer and one
// streaming texture. Called by SdlWindow for every canvas, and for the
// show's indexed frames when a graphics card renders them (or when the
// window's surface cannot be had). Owns the renderer and its texture; never
// owns the window, and never keeps a renderer that rasterises on the
// processor where the shared-memory path would do the same for less.
#pragma once

#include <SDL.h>

#include <memory>

#include "platform/common/frame_pacer.h"
#include "platform/window.h"

namespace nuvra::linux_platform {

// A renderer that shows each frame at the refresh on a graphics card, or
// null where the only renderer to be had would rasterise on the processor:
// the window's surface is then the way to draw (and SDL is told not to put
// another renderer behind that surface).
SDL_Renderer* CreateRefreshRenderer(SDL_Window* window);

class RendererPresenter {
public:
    // renderer: from CreateRefreshRenderer, or null to start without one.
    explicit RendererPresenter(SDL_Renderer* renderer);

    bool active() const { return m_renderer != nullptr; }
    // SDL's own software renderer on the window, for the frames the surface
    // path cannot draw; false when even that cannot be had.
    bool EnsureSoftwareRenderer(SDL_Window* window);

    // The canvas pixel for pixel at the window's top-left corner, the rest
    // of the window in the colour of its last pixel; a canvas short of
    // pixels for its size is not shown.
    void PresentCanvas(const platform::Canvas& canvas, common_platform::FramePacer& pacer);
    void PresentIndexed(const platform::IndexedImage& image, platform::Point position, common_platform::FramePacer& pacer);

private:
    struct RendererDeleter {
        void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
    };
    struct TextureDeleter {
        void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
    };

    bool EnsureTexture(int width, int height);
    void CopyIndexed(const platform::IndexedImage& image);
    void PresentPaced(common_platform::FramePacer& pacer);

    // The texture goes before the renderer that made it.
    std::unique_ptr<SDL_Renderer, RendererDeleter> m_renderer;
    std::unique_ptr<SDL_Texture, TextureDeleter> m_texture;
    int m_texture_width = 0;
    int m_texture_height = 0;
    bool m_vsync = false;  // the renderer's present waits for the refresh
};

}  // namespace nuvra::linux_platform
