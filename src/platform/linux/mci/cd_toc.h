// A disc's table of contents and the tmsf positions of the "cdaudio" device.
//
// Positions are sector addresses (75 sectors a second). A tmsf text is
// "tt:mm:ss:ff": a track, then minutes, seconds and frames from its start;
// the last fields may be left out ("3" is the start of track 3). Every
// position text the device gives out is accepted back by PositionOf.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::linux_platform {

inline constexpr std::int32_t kSectorsPerSecond = 75;

struct CdToc {
    int first_track = 1;
    std::vector<std::int32_t> starts;  // the first sector of each track, from first_track on
    std::vector<bool> audio;           // false for a data track
    std::int32_t leadout = 0;          // the sector after the last track

    int last_track() const { return first_track + static_cast<int>(starts.size()) - 1; }
    bool HasTrack(int track) const { return track >= first_track && track <= last_track(); }
    std::int32_t StartOf(int track) const { return starts[static_cast<std::size_t>(track - first_track)]; }
    std::int32_t EndOf(int track) const;

    // The track that holds sector; the last track from the lead-out on.
    int TrackAt(std::int32_t sector) const;
    bool IsAudio(std::int32_t sector) const;
    // Where play starts when nothing else is asked: the first audio track.
    std::int32_t FirstAudioSector() const;

    // The sector of a tmsf text, no further than the end of its track;
    // nothing for a text that is no position on this disc.
    std::optional<std::int32_t> PositionOf(std::string_view tmsf) const;
    std::string TmsfOf(std::int32_t sector) const;
};

}  // namespace nuvra::linux_platform
