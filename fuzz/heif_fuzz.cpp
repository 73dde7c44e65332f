// HEIF and AVIF files, where the build decodes them: the picture, turned as
// the file says, transparency over black, and the region cut.
#include "picture_fuzz.h"

// libheif hands damaged AV1 data to libdav1d, which keeps a few bytes of it
// when it gives up (libdav1d 1.0); nothing of ours to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
#if defined(NUVRA_HEIF_PHOTOS)
    return nuvra::fuzz::CheckDecoder(data, size, [](auto bytes, const auto& limits, auto choose_region) {
        return nuvra::pictures::DecodeHeif(bytes, limits, choose_region);
    });
#else
    static_cast<void>(data);
    static_cast<void>(size);
    return 0;
#endif
}
