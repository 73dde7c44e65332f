// GIF files: the first frame on its screen, and the region cut.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return nuvra::fuzz::CheckDecoder(data, size, [](auto bytes, const auto& limits, auto choose_region) {
        return nuvra::pictures::DecodeGif(bytes, limits, choose_region);
    });
}
