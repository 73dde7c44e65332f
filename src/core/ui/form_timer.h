// A form timer as the window system keeps one: enabled or not, an interval,
// and the time its next tick is due. Ticks are delivered only by the event
// loop, at most one per timer per pass: a timer that fell behind ticks once
// and is then due an interval later (ticks coalesce).
#pragma once

#include <cstdint>

namespace nuvra {

struct FormTimer {
    bool Enabled = false;
    std::uint32_t Interval = 0;  // milliseconds
    std::uint64_t due = 0;       // clock time of the next tick

    void Enable(std::uint64_t now)
    {
        Enabled = true;
        due = now + Interval;
    }
    void Disable() { Enabled = false; }

    // True (and the next tick scheduled) when a tick is due at now.
    bool TakeTick(std::uint64_t now)
    {
        if (!Enabled || now < due)
            return false;
        due = now + Interval;
        return true;
    }
};

}  // namespace nuvra
