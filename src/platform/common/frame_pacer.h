// The refresh beat of one window's frames. Called by the present paths after
// they have sent a frame; owns only the times; the window's own thread only.
// It never speeds a frame up: it only waits out what is left of a refresh
// period when nothing else did.
#pragma once

#include <algorithm>
#include <chrono>
#include <thread>

namespace nuvra::common_platform {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit FramePacer(int refresh_hz)
        : m_frame_period(std::chrono::microseconds(1000000 / std::max(refresh_hz, 1)))
    {
    }

    // With a working vsync the present itself waits for the refresh, and
    // nothing more is waited here. Where there is none (a driver that ignores
    // it, presents coming far faster than the refresh) the frame would be
    // shown again at once and the show would burn a whole core, so the rest
    // of the refresh period is waited out instead.
    void AfterPresent(bool vsync)
    {
        const Clock::time_point now = Clock::now();
        const bool waited_for_refresh = vsync && now - m_last_present >= m_frame_period / 2;
        m_last_present = now;
        if (waited_for_refresh)
            m_next_frame = now + m_frame_period;
        else
            WaitForNextFrame();
    }

    void WaitForNextFrame()
    {
        const Clock::time_point now = Clock::now();
        if (m_next_frame > now)
            std::this_thread::sleep_until(m_next_frame);
        m_next_frame = std::max(now, m_next_frame) + m_frame_period;
    }

private:
    Clock::duration m_frame_period;
    Clock::time_point m_next_frame{};
    Clock::time_point m_last_present{};
};

}  // namespace nuvra::common_platform
