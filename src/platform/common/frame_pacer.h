// The beat of one window's frames. Called by the present paths once a
// frame, after they have sent it; owns only the times; the window's own
// thread only. It never speeds a frame up: it only waits out what is left
// of the frame's time when nothing else did.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>

#include "platform/window.h"

namespace nuvra::common_platform {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    // One frame a refresh of refresh_hz, 60 a second where it is not
    // known (0), until SetPacing says otherwise.
    explicit FramePacer(double refresh_hz)
    {
        if (refresh_hz >= 1.0)
            SetPacing({1, std::chrono::microseconds(static_cast<std::int64_t>(1e6 / refresh_hz))});
        else
            SetPacing({});
    }
    virtual ~FramePacer() = default;

    void SetPacing(const platform::FramePacing& pacing)
    {
        m_refreshes_per_frame = std::max(pacing.refreshes_per_frame, 1);
        m_frame_period = std::max<Clock::duration>(pacing.frame_period, Clock::duration(1));
        m_refresh_period = m_frame_period / m_refreshes_per_frame;
    }

    // After each present. at_refresh: the present itself waited for the
    // display's refresh (vsync, a compositor's go-ahead), so it returned as
    // a refresh began. A frame meant to stay up for several refreshes then
    // starts just after the refresh before the one it is meant for, which
    // it cannot miss, and the frames keep in step with the display however
    // its clock drifts from ours. A present that did not wait (no vsync)
    // would be shown again at once and burn a whole core: the frame's time
    // is waited out by the clock instead, always from the last frame, so
    // the beat stays even. A driver that says it waits and does not is held
    // to the same beat less a quarter refresh (the slack a display a little
    // faster than it says needs). A frame late by more than its time starts
    // the beat afresh rather than hurrying the next ones.
    void AfterPresent(bool at_refresh)
    {
        const Clock::time_point now = Now();
        Pace(now, at_refresh ? std::optional(now) : std::nullopt);
    }

    // The same, where the word that the last frame is on screen came
    // earlier, at refresh (a compositor's frame callback read while another
    // surface was being drawn).
    void AfterRefreshAt(Clock::time_point refresh) { Pace(Now(), refresh); }

    Clock::duration refresh_period() const { return m_refresh_period; }
    int refreshes_per_frame() const { return m_refreshes_per_frame; }

protected:
    virtual Clock::time_point Now() const { return Clock::now(); }
    virtual void SleepUntil(Clock::time_point when) { std::this_thread::sleep_until(when); }

private:
    void Pace(Clock::time_point now, std::optional<Clock::time_point> refresh)
    {
        Clock::time_point next = m_frame_start + m_frame_period;
        if (refresh) {
            next -= m_refresh_period / 4;
            if (m_refreshes_per_frame > 1)
                next = std::max(next, *refresh + m_frame_period - m_refresh_period * 3 / 4);
        }
        next = std::max(next, now);
        if (next > now)
            SleepUntil(next);
        m_frame_start = next;
    }

    int m_refreshes_per_frame = 1;
    Clock::duration m_frame_period{};
    Clock::duration m_refresh_period{};
    Clock::time_point m_frame_start{};
};

}  // namespace nuvra::common_platform
