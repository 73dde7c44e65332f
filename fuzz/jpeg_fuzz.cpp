// JPEG files: the decoder's promises, and a region decode (which skips rows
// and columns inside libjpeg) equal to the whole decode cut.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return nuvra::fuzz::CheckDecoder(data, size, [](auto bytes, const auto& limits, auto choose_region) {
        return nuvra::pictures::DecodeJpeg(bytes, limits, choose_region);
    });
}
