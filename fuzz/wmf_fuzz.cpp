// Windows metafiles: our record walk and libwmf's playback behind it.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return nuvra::fuzz::CheckDecoder(
        data, size, [](auto bytes, const auto& limits) { return nuvra::linux_platform::DecodeWmf(bytes, limits); });
}
