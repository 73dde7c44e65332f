// BMP files: the decoder's promises, the region cut, and the writer: any
// picture the reader produces must survive a save and a second load.
#include <cstdlib>

#include "picture_fuzz.h"
#include "pictures/bmp_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nuvra;
    return fuzz::CheckDecoder(
        data, size,
        [](std::span<const std::uint8_t> bytes, const pictures::DecodeLimits& limits,
           const platform::RegionChooser* choose_region) {
            platform::PictureResult result = pictures::DecodeBmp(bytes, limits, choose_region);
            if (!result.picture || choose_region != nullptr)
                return result;
            const std::optional<std::vector<std::uint8_t>> saved = pictures::EncodeBmp(*result.picture);
            if (!saved)
                std::abort();
            const platform::PictureResult again = pictures::DecodeBmp(*saved, limits);
            if (!again.picture || !fuzz::SameColours(*again.picture, *result.picture))
                std::abort();
            return result;
        });
}
