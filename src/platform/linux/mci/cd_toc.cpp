#include "platform/linux/mci/cd_toc.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace nuvra::linux_platform {

namespace {

// Fields of up to two digits separated by colons, at most four of them.
std::optional<std::array<int, 4>> SplitTmsf(std::string_view text)
{
    std::array<int, 4> fields{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (true) {
        if (count == fields.size())
            return std::nullopt;
        int value = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3) {
            value = value * 10 + (text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 2)
            return std::nullopt;
        fields[count++] = value;
        if (i == text.size())
            return fields;
        if (text[i] != ':')
            return std::nullopt;
        ++i;
    }
}

}  // namespace

std::int32_t CdToc::EndOf(int track) const
{
    return track == last_track() ? leadout : StartOf(track + 1);
}

int CdToc::TrackAt(std::int32_t sector) const
{
    const auto after = std::upper_bound(starts.begin(), starts.end(), sector);
    if (after == starts.begin())
        return first_track;
    return first_track + static_cast<int>(after - starts.begin()) - 1;
}

bool CdToc::IsAudio(std::int32_t sector) const
{
    if (sector < 0 || sector >= leadout || starts.empty())
        return false;
    return audio[static_cast<std::size_t>(TrackAt(sector) - first_track)];
}

std::int32_t CdToc::FirstAudioSector() const
{
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if (audio[i])
            return starts[i];
    }
    return starts.empty() ? 0 : starts.front();
}

std::optional<std::int32_t> CdToc::PositionOf(std::string_view tmsf) const
{
    const std::optional<std::array<int, 4>> fields = SplitTmsf(tmsf);
    if (!fields)
        return std::nullopt;
    const auto [track, minutes, seconds, frames] = *fields;
    if (!HasTrack(track) || seconds >= 60 || frames >= kSectorsPerSecond)
        return std::nullopt;
    const std::int32_t sector = StartOf(track) + (minutes * 60 + seconds) * kSectorsPerSecond + frames;
    if (sector > EndOf(track))
        return std::nullopt;
    return sector;
}

std::string CdToc::TmsfOf(std::int32_t sector) const
{
    const int track = TrackAt(sector);
    const std::int32_t offset = std::max(0, sector - StartOf(track));
    const int minutes = std::min(99, offset / (60 * kSectorsPerSecond));
    const int seconds = offset / kSectorsPerSecond % 60;
    const int frames = offset % kSectorsPerSecond;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", track, minutes, seconds, frames);
    return text;
}

}  // namespace nuvra::linux_platform
