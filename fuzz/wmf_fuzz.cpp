// Windows metafiles: our record walk and libwmf's playback behind it.
#include "picture_fuzz.h"
#include "platform/linux/picture/wmf_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return nuvra::fuzz::CheckDecoder(data, size, [](auto bytes, const auto& limits, auto choose_region) {
        return nuvra::pictures::DecodeWmf(bytes, limits, nuvra::linux_platform::RenderWmf, choose_region);
    });
}
