// Photos with an orientation: the EXIF walk of every container, the picture
// turned upright, and a region picked from the upright picture cut from it.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return nuvra::fuzz::CheckDecoder(data, size, [](auto bytes, const auto& limits, auto choose_region) {
        return nuvra::pictures::DecodePicture(bytes, limits, nullptr, choose_region);
    });
}
