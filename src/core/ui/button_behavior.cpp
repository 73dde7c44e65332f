#include "ui/button_behavior.h"

namespace nuvra::ui {

bool ButtonBehavior::Press(std::uint32_t button, std::uint64_t now)
{
    if ((button & m_buttons) == 0)
        return false;
    if (Held()) {
        m_held_buttons |= button;
        return false;
    }
    m_held_buttons = button;
    m_over = true;
    m_next_repeat = now + kRepeatDelay;
    return m_acts_on == ActsOn::Press;
}

bool ButtonBehavior::Release(std::uint32_t button, bool over)
{
    if ((button & m_held_buttons) == 0)
        return false;
    m_held_buttons &= ~button;
    m_over = over;
    if (Held())
        return false;
    return m_acts_on == ActsOn::ReleaseAnywhere || (m_acts_on == ActsOn::ReleaseInside && over);
}

bool ButtonBehavior::Move(bool over)
{
    if (!Held() || over == m_over)
        return false;
    const bool looked_pressed = LooksPressed();
    m_over = over;
    return LooksPressed() != looked_pressed;
}

bool ButtonBehavior::Tick(std::uint64_t now)
{
    if (m_repeat != Repeat::WhileHeld || !Held() || !m_over || now < m_next_repeat)
        return false;
    m_next_repeat = now + kRepeatRate;
    return true;
}

}  // namespace nuvra::ui
