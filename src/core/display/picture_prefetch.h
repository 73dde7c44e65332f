// The next picture of the show, prepared on a worker thread while the
// current one turns, so that a picture change between two frames only swaps
// in what is ready and writes the work files.
//
// Owned by the display form. The worker decodes, cuts and reduces one file
// (PreparePictureFile) and touches nothing else: not the form, not the pixel
// arrays the frame step reads, not the image list (it gets the path by value).
// Take waits for it when it is not done yet, so a change never skips a
// picture or changes the order; destruction waits too.
#pragma once

#include <cstdint>
#include <future>
#include <optional>
#include <string>

#include "display/picture_source.h"

namespace nuvra {

class PicturePrefetch {
public:
    PicturePrefetch() = default;
    ~PicturePrefetch();
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;

    // Starts preparing path for the show-order position index; a picture
    // started before and not taken is dropped (after its worker finished).
    // pictures must be safe to call from another thread.
    void Start(std::int16_t index, std::string path, std::int32_t screen_height, platform::PictureCodec& pictures);

    bool started() const { return m_result.valid(); }
    // The position Start was given.
    std::int16_t index() const { return m_index; }

    // The picture started last, once its worker is done; nothing when it
    // could not be prepared or none was started.
    std::optional<PreparedPicture> Take();

private:
    std::int16_t m_index = 0;
    std::future<std::optional<PreparedPicture>> m_result;
};

}  // namespace nuvra
