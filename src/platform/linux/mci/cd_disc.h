// A CD drive or disc image read through libcdio: the disc's table of contents
// and its audio, one 2352-byte sector (588 stereo frames) at a time. Drives
// are read through paranoia, which repairs jitter and small scratches; images
// are read as they are. Nothing here prints: libcdio's messages are dropped.
//
// Not thread-safe: the owner serialises every call.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/mci/cd_toc.h"

namespace nuvra::linux_platform {

inline constexpr std::size_t kSamplesPerSector = 1176;  // 588 frames of two channels
using SectorSamples = std::array<std::int16_t, kSamplesPerSector>;

class CdDisc {
public:
    // source: a drive's device file or a BIN/CUE (also TOC, NRG) image; the
    // empty text for the system's default drive. Nothing when it cannot be
    // opened (no drive, no such file).
    static std::unique_ptr<CdDisc> Open(const std::string& source);
    ~CdDisc();
    CdDisc(const CdDisc&) = delete;
    CdDisc& operator=(const CdDisc&) = delete;

    bool is_image() const { return m_is_image; }

    // Nothing when there is no disc, or no audio track on it.
    std::optional<CdToc> ReadToc();
    // True when a drive reports another disc (or none) since the last call.
    bool MediaChanged();
    bool TrayOpen();

    // Host-order samples of one sector; false when it cannot be read.
    bool ReadSector(std::int32_t sector, SectorSamples& samples);

private:
    struct Handles;
    explicit CdDisc(std::unique_ptr<Handles> handles, bool is_image);
    bool ReadThroughParanoia(std::int32_t sector, SectorSamples& samples);

    std::unique_ptr<Handles> m_handles;
    bool m_is_image;
};

}  // namespace nuvra::linux_platform
