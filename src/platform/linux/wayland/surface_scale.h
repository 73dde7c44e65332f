// The real pixels of a layer surface, from the size the compositor gives it
// in surface pixels: by the fractional scale the compositor prefers for the
// surface (in 120ths) where it says one, else by its monitor's whole scale.
// Used by LayerSurface for its buffers; pure arithmetic.
#pragma once

#include <cstdint>

namespace nuvra::linux_platform {

constexpr std::int32_t RealPixels(std::int32_t surface_pixels, std::int32_t output_scale,
                                  std::uint32_t scale_120ths)
{
    if (scale_120ths == 0)
        return surface_pixels * output_scale;
    // Half a pixel rounds up, as the compositor rounds it when it maps the
    // buffer back onto the surface.
    const std::int64_t scaled = static_cast<std::int64_t>(surface_pixels) * scale_120ths;
    return static_cast<std::int32_t>((scaled + 60) / 120);
}

}  // namespace nuvra::linux_platform
