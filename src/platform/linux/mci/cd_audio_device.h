// The "cdaudio" device: plays an audio disc through the shared audio output.
//
// The disc is the system's default drive, or the drive or disc image named
// by the environment variable NUVRA_CDROM. Positions are tmsf texts; the
// mode words are "playing", "stopped", "not ready" (no disc) and "open"
// (tray open). Play runs from a position to the end of the disc, or to a
// "to" position, and stops there; "play" with no position after the end
// starts again from the first track.
//
// Commands run on the user-interface thread. A reader thread of the device's
// own reads the disc a little ahead of play, so that a slow drive (spinning
// up, retrying a scratch) never holds up the audio thread, which only takes
// the sectors read so far. Two locks: m_state_mutex for the play state and
// the sectors read ahead, m_disc_mutex for the disc handle, never held
// together, and neither held while calling into the audio output.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "platform/linux/mci/audio_output.h"
#include "platform/linux/mci/cd_disc.h"
#include "platform/linux/mci/cd_toc.h"
#include "platform/linux/mci/mci_device.h"

namespace nuvra::linux_platform {

class CdAudioDevice final : public MciDevice, private AudioStream {
public:
    explicit CdAudioDevice(AudioOutput& audio) : m_audio(audio) {}
    ~CdAudioDevice() override;

    // Opens the drive or image; fails only when there is none.
    MciResult Open();

    MciResult Play(const std::optional<std::string>& from, const std::optional<std::string>& to) override;
    MciResult Stop() override;
    MciResult Set(std::span<const MciWord> words) override;
    MciResult Status(std::span<const MciWord> words) override;

private:
    // Reads the table of contents when there is none yet or the drive has
    // another disc; true when a disc is there.
    bool RefreshDisc();
    std::string ModeWord();
    void MixInto(std::span<std::int16_t> stereo_samples) override;
    // Audio thread: the next sector read ahead into m_sector; false when
    // play has stopped or the reader has not caught up yet.
    bool TakeSector();
    // The reader thread's loop.
    void ReadAhead(std::stop_token stop);
    // Under m_state_mutex: forget what was read ahead.
    void DropReadAhead();

    AudioOutput& m_audio;
    bool m_streaming = false;

    std::mutex m_disc_mutex;
    std::unique_ptr<CdDisc> m_disc;

    // Shared with the audio thread, which moves the position on and ends
    // play: both threads hold the lock for every access. Only m_toc, which
    // the user-interface thread alone writes, is read there without it.
    std::mutex m_state_mutex;
    std::optional<CdToc> m_toc;
    bool m_playing = false;
    std::int32_t m_position = 0;  // the next sector to play
    std::int32_t m_end = 0;       // play stops before this sector
    std::uint64_t m_generation = 0;  // changes with every play and stop
    // The sectors from m_position on, as far as they are read: a ring of
    // about 0.4 seconds.
    static constexpr std::size_t kReadAhead = 32;
    std::array<SectorSamples, kReadAhead> m_ring{};
    std::size_t m_ring_head = 0;   // the slot of sector m_position
    std::size_t m_ring_count = 0;  // sectors read ahead
    std::int32_t m_read_position = 0;  // the next sector to read
    std::condition_variable_any m_wake_reader;

    // Audio thread only: the sector being played out.
    SectorSamples m_sector{};
    std::size_t m_sector_used = kSamplesPerSector;
    std::uint64_t m_sector_generation = 0;

    // Last, so that it stops before anything it reads goes away.
    std::jthread m_reader;
};

}  // namespace nuvra::linux_platform
