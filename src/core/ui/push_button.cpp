#include "ui/push_button.h"

#include "ui/static_controls.h"

namespace nuvra::ui {

PushButton::PushButton(const platform::Rect& face, const platform::Rect& caption_box, platform::Font* font,
                       std::string caption, ActsOn acts_on, std::uint32_t buttons)
    : Control(face), m_caption_box(caption_box), m_font(font), m_caption(std::move(caption)), m_press(acts_on, buttons)
{
}

void PushButton::SetFaces(const platform::Canvas* released, const platform::Canvas* pressed)
{
    m_released = released;
    m_pressed = pressed;
    Invalidate();
}

const platform::Canvas* PushButton::Face() const
{
    return LooksPressed() ? m_pressed : m_released;
}

bool PushButton::HitTest(std::int32_t x, std::int32_t y) const
{
    return Contains(m_caption_box, x, y);
}

void PushButton::MouseDown(const MouseEvent& event)
{
    const bool acts = m_press.Press(event.button, Now());
    Invalidate();
    if (acts && OnClick)
        OnClick();
    Control::MouseDown(event);
}

void PushButton::MouseMove(const MouseEvent& event)
{
    if (m_press.Move(HitTest(event.x, event.y)))
        Invalidate();
}

void PushButton::MouseUp(const MouseEvent& event)
{
    const bool held = m_press.Held();
    const bool acts = m_press.Release(event.button, HitTest(event.x, event.y));
    if (held && !m_press.Held())
        Invalidate();
    // The action comes last: it may run the event loop, and the button is
    // up by then.
    if (acts && OnClick)
        OnClick();
    Control::MouseUp(event);
}

void PushButton::CaptureLost()
{
    m_press.Cancel();
    Invalidate();
}

void PushButton::Paint(Surface& surface)
{
    if (const platform::Canvas* face = Face(); face != nullptr && face->width > 0 && face->height > 0)
        StretchImage(surface, Bounds(), *face, {0, 0, face->width, face->height});
    if (m_font != nullptr && !m_caption.empty())
        DrawCaption(surface, *m_font, m_caption, m_caption_box, {Align::Center, colour::kText, false, !Enabled()});
}

}  // namespace nuvra::ui
