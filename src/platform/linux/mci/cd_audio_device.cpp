#include "platform/linux/mci/cd_audio_device.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace nuvra::linux_platform {

namespace {

std::int16_t AddSaturated(std::int16_t a, std::int16_t b)
{
    const int sum = a + b;
    return static_cast<std::int16_t>(
        std::clamp(sum, int{std::numeric_limits<std::int16_t>::min()}, int{std::numeric_limits<std::int16_t>::max()}));
}

std::optional<int> TrackNumber(std::string_view text)
{
    if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::atoi(std::string(text).c_str());
}

}  // namespace

CdAudioDevice::~CdAudioDevice()
{
    if (m_streaming)
        m_audio.RemoveStream(*this);
}

MciResult CdAudioDevice::Open()
{
    const char* named = std::getenv("NUVRA_CDROM");
    std::unique_ptr<CdDisc> disc = CdDisc::Open(named ? named : "");
    if (!disc)
        return {kMciNoDrive, {}};
    {
        std::lock_guard lock(m_disc_mutex);
        m_disc = std::move(disc);
    }
    RefreshDisc();
    return {};
}

bool CdAudioDevice::RefreshDisc()
{
    std::optional<CdToc> toc;
    bool changed = false;
    {
        // While the reader thread reads a sector the disc is plainly there,
        // and a real drive may take its time (spinning up, retrying a
        // scratch): the table already read stands, and the show's poll does
        // not wait for the drive.
        std::unique_lock lock(m_disc_mutex, std::try_to_lock);
        if (!lock.owns_lock() && m_toc)
            return true;
        if (!lock.owns_lock())
            lock.lock();
        changed = m_disc->MediaChanged();
        if (!changed && m_toc)
            return true;
        toc = m_disc->ReadToc();
    }
    std::lock_guard lock(m_state_mutex);
    if (changed) {
        m_playing = false;
        ++m_generation;
        DropReadAhead();
    }
    m_toc = std::move(toc);
    if (m_toc)
        m_position = m_toc->FirstAudioSector();
    return m_toc.has_value();
}

std::string CdAudioDevice::ModeWord()
{
    if (!RefreshDisc()) {
        std::lock_guard lock(m_disc_mutex);
        return m_disc->TrayOpen() ? "open" : "not ready";
    }
    std::lock_guard lock(m_state_mutex);
    return m_playing ? "playing" : "stopped";
}

MciResult CdAudioDevice::Play(const std::optional<std::string>& from, const std::optional<std::string>& to)
{
    if (!RefreshDisc())
        return {kMciNoDisc, {}};
    const CdToc& toc = *m_toc;
    std::int32_t start = 0;
    {
        // The audio thread moves the position on as it plays.
        std::lock_guard lock(m_state_mutex);
        start = m_position;
    }
    if (from) {
        const std::optional<std::int32_t> sector = toc.PositionOf(*from);
        if (!sector)
            return {kMciBadPosition, {}};
        start = *sector;
    } else if (start >= toc.leadout) {
        start = toc.FirstAudioSector();
    }
    std::int32_t end = toc.leadout;
    if (to) {
        const std::optional<std::int32_t> sector = toc.PositionOf(*to);
        if (!sector)
            return {kMciBadPosition, {}};
        end = *sector;
    }
    if (start >= end)
        return {kMciBadPosition, {}};
    if (!m_audio.Open())
        return {kMciNoAudioOutput, {}};
    if (!m_streaming) {
        m_audio.AddStream(*this);
        m_streaming = true;
    }
    if (!m_reader.joinable())
        m_reader = std::jthread([this](std::stop_token stop) { ReadAhead(stop); });
    {
        std::lock_guard lock(m_state_mutex);
        m_position = start;
        m_read_position = start;
        m_end = end;
        m_playing = true;
        ++m_generation;
        DropReadAhead();
    }
    m_wake_reader.notify_one();
    return {};
}

MciResult CdAudioDevice::Stop()
{
    std::lock_guard lock(m_state_mutex);
    m_playing = false;
    ++m_generation;
    DropReadAhead();
    return {};
}

void CdAudioDevice::DropReadAhead()
{
    m_ring_head = 0;
    m_ring_count = 0;
}

MciResult CdAudioDevice::Set(std::span<const MciWord> words)
{
    // Positions are always tmsf; it is the only time format asked for.
    if (JoinLowered(words) == "time format tmsf")
        return {};
    return {kMciBadParameter, {}};
}

MciResult CdAudioDevice::Status(std::span<const MciWord> words)
{
    const std::string item = JoinLowered(words);
    if (item == "mode")
        return {kMciOk, ModeWord()};
    if (item != "current track" && item != "number of tracks" && item != "position" &&
        !item.starts_with("position track "))
        return {kMciBadParameter, {}};
    if (!RefreshDisc())
        return {kMciNoDisc, {}};
    const CdToc& toc = *m_toc;
    std::int32_t position = 0;
    {
        std::lock_guard lock(m_state_mutex);
        position = m_position;
    }
    if (item == "current track")
        return {kMciOk, std::to_string(toc.TrackAt(position))};
    if (item == "number of tracks")
        return {kMciOk, std::to_string(toc.starts.size())};
    if (item == "position")
        return {kMciOk, toc.TmsfOf(position)};
    const std::optional<int> track = TrackNumber(std::string_view(item).substr(15));
    if (!track || !toc.HasTrack(*track))
        return {kMciBadPosition, {}};
    return {kMciOk, toc.TmsfOf(toc.StartOf(*track))};
}

void CdAudioDevice::MixInto(std::span<std::int16_t> stereo_samples)
{
    {
        std::lock_guard lock(m_state_mutex);
        // A play or stop since the sector was taken makes its rest stale.
        if (m_sector_generation != m_generation)
            m_sector_used = kSamplesPerSector;
    }
    std::size_t done = 0;
    while (done < stereo_samples.size()) {
        if (m_sector_used == kSamplesPerSector && !TakeSector())
            return;
        const std::size_t count = std::min(stereo_samples.size() - done, kSamplesPerSector - m_sector_used);
        for (std::size_t i = 0; i < count; ++i)
            stereo_samples[done + i] = AddSaturated(stereo_samples[done + i], m_sector[m_sector_used + i]);
        done += count;
        m_sector_used += count;
    }
}

bool CdAudioDevice::TakeSector()
{
    {
        std::lock_guard lock(m_state_mutex);
        // A drive that has not caught up gives a moment's silence; play
        // stays where it is until the sector arrives.
        if (!m_playing || m_ring_count == 0)
            return false;
        m_sector = m_ring[m_ring_head];
        m_ring_head = (m_ring_head + 1) % kReadAhead;
        --m_ring_count;
        ++m_position;
        if (m_position >= m_end)
            m_playing = false;
        m_sector_generation = m_generation;
        m_sector_used = 0;
    }
    m_wake_reader.notify_one();
    return true;
}

void CdAudioDevice::ReadAhead(std::stop_token stop)
{
    std::unique_lock lock(m_state_mutex);
    for (;;) {
        const bool wanted = m_wake_reader.wait(lock, stop, [this] {
            return m_playing && m_ring_count < kReadAhead && m_read_position < m_end;
        });
        if (!wanted)
            return;  // asked to stop
        const std::int32_t sector = m_read_position;
        const std::uint64_t generation = m_generation;
        const bool audio = m_toc && m_toc->IsAudio(sector);
        lock.unlock();
        SectorSamples samples;
        bool read = false;
        if (audio) {
            std::lock_guard disc_lock(m_disc_mutex);
            read = m_disc && m_disc->ReadSector(sector, samples);
        }
        // Data tracks and unreadable sectors play as silence, so that play
        // moves on instead of stalling at one place.
        if (!read)
            samples.fill(0);
        lock.lock();
        // A play or stop while the disc was read: the sector belongs to the
        // old play, and reading starts again from the new place.
        if (generation != m_generation)
            continue;
        m_ring[(m_ring_head + m_ring_count) % kReadAhead] = samples;
        ++m_ring_count;
        ++m_read_position;
    }
}

}  // namespace nuvra::linux_platform
