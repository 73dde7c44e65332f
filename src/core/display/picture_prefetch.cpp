#include "display/picture_prefetch.h"

#include <utility>

namespace nuvra {

PicturePrefetch::~PicturePrefetch()
{
    if (m_result.valid())
        m_result.wait();
}

void PicturePrefetch::Start(std::int16_t index, std::string path, std::int32_t screen_height,
                            platform::PictureCodec& pictures)
{
    if (m_result.valid())
        m_result.wait();
    m_index = index;
    m_result = std::async(std::launch::async, [path = std::move(path), screen_height, &pictures] {
        // Nothing may escape the worker: a picture that throws (out of
        // memory, say) is one that could not be prepared.
        try {
            return PreparePictureFile(path, screen_height, pictures);
        } catch (...) {
            return std::optional<PreparedPicture>{};
        }
    });
}

std::optional<PreparedPicture> PicturePrefetch::Take()
{
    if (!m_result.valid())
        return std::nullopt;
    return m_result.get();
}

}  // namespace nuvra
