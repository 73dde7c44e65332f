// How anything button-like answers the mouse, kept apart from how it looks:
// push buttons, option and check-box items, a scroll bar's arrows and track.
// The owner hands over each mouse event of the part that took the press,
// saying whether the pointer is over that part now, and draws from
// LooksPressed; it never keeps press state of its own.
//
// A press starts with an accepted mouse button going down over the part and
// ends when the last button that joined it comes up: buttons pressed
// meanwhile join the same press, so one press acts once.
//
//   while held                  ActsOn::Press    ReleaseInside   ReleaseAnywhere
//   the press                   acts             -               -
//   pointer leaves              looks up         looks up        stays down
//   pointer comes back          looks down       looks down      stays down
//   release over the part       -                acts            acts
//   release away from it        -                -               acts
//   Tick, Repeat::WhileHeld     acts after the first delay, then at the
//                               repeat rate, while the pointer is over it
//
// So a face shows pressed exactly while the press is held and letting go
// (or, for the press-acting kind, staying) would act.
#pragma once

#include <cstdint>

namespace nuvra::ui {

// Mouse buttons as MouseEvent::button gives them, and sets of them.
namespace mouse {
inline constexpr std::uint32_t kLeft = 1;
inline constexpr std::uint32_t kRight = 2;
inline constexpr std::uint32_t kMiddle = 4;
inline constexpr std::uint32_t kAnyButton = kLeft | kRight | kMiddle;
}  // namespace mouse

enum class ActsOn { Press, ReleaseInside, ReleaseAnywhere };
enum class Repeat { Off, WhileHeld };

class ButtonBehavior {
public:
    // A held part first repeats this long after the press, then at the rate.
    static constexpr std::uint64_t kRepeatDelay = 350;
    static constexpr std::uint64_t kRepeatRate = 50;

    // buttons: the mouse buttons that press it (a set of mouse::k...).
    ButtonBehavior(ActsOn acts_on, std::uint32_t buttons, Repeat repeat = Repeat::Off)
        : m_acts_on(acts_on), m_buttons(buttons), m_repeat(repeat)
    {
    }

    // Each returns true when the part acts at this event.
    bool Press(std::uint32_t button, std::uint64_t now);
    bool Release(std::uint32_t button, bool over);
    bool Tick(std::uint64_t now);
    // True when the look changed.
    bool Move(bool over);
    // The press ends without acting: the mouse was taken away before the
    // release.
    void Cancel() { m_held_buttons = 0; }

    bool Held() const { return m_held_buttons != 0; }
    bool Over() const { return m_over; }
    bool LooksPressed() const { return Held() && (m_over || m_acts_on == ActsOn::ReleaseAnywhere); }

private:
    ActsOn m_acts_on;
    std::uint32_t m_buttons;
    Repeat m_repeat;
    std::uint32_t m_held_buttons = 0;
    bool m_over = false;
    std::uint64_t m_next_repeat = 0;
};

}  // namespace nuvra::ui
