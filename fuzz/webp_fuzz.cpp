// WebP files: the picture, transparency over black, and the region cut.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return nuvra::fuzz::CheckDecoder(data, size, [](auto bytes, const auto& limits, auto choose_region) {
        return nuvra::pictures::DecodeWebp(bytes, limits, choose_region);
    });
}
