#include "ui/scroll_bar.h"

#include <algorithm>

namespace nuvra::ui {

namespace {
constexpr std::int32_t kMinThumb = 8;

// A small filled triangle pointing the given way, centred in box.
void DrawArrow(Surface& surface, const platform::Rect& box, Orientation orientation, bool towards_more,
               std::uint32_t colour)
{
    const std::int32_t cx = box.left + Width(box) / 2;
    const std::int32_t cy = box.top + Height(box) / 2;
    for (std::int32_t i = 0; i < 4; ++i) {
        const std::int32_t half = i;
        if (orientation == Orientation::Horizontal) {
            const std::int32_t x = towards_more ? cx - 2 + (3 - i) : cx - 2 + i;
            FillRect(surface, {x, cy - half, x + 1, cy + half + 1}, colour);
        } else {
            const std::int32_t y = towards_more ? cy - 2 + (3 - i) : cy - 2 + i;
            FillRect(surface, {cx - half, y, cx + half + 1, y + 1}, colour);
        }
    }
}
}  // namespace

bool ScrollBar::SetValue(std::int32_t value)
{
    if (value < std::min(m_min, m_max) || value > std::max(m_min, m_max))
        return false;
    MoveTo(value);
    return true;
}

void ScrollBar::SetRange(std::int32_t min, std::int32_t max)
{
    m_min = min;
    m_max = max;
    m_value = std::clamp(m_value, std::min(min, max), std::max(min, max));
    Invalidate();
}

void ScrollBar::MoveTo(std::int32_t value)
{
    value = std::clamp(value, std::min(m_min, m_max), std::max(m_min, m_max));
    if (value == m_value)
        return;
    m_value = value;
    Invalidate();
    if (OnChange)
        OnChange();
}

std::int32_t ScrollBar::Thickness() const
{
    return m_orientation == Orientation::Horizontal ? Height(Bounds()) : Width(Bounds());
}

std::int32_t ScrollBar::Length() const
{
    return m_orientation == Orientation::Horizontal ? Width(Bounds()) : Height(Bounds());
}

std::int32_t ScrollBar::Along(const MouseEvent& event) const
{
    return m_orientation == Orientation::Horizontal ? event.x - Bounds().left : event.y - Bounds().top;
}

platform::Rect ScrollBar::AlongRect(std::int32_t from, std::int32_t to) const
{
    const platform::Rect& b = Bounds();
    if (m_orientation == Orientation::Horizontal)
        return {b.left + from, b.top, b.left + to, b.bottom};
    return {b.left, b.top + from, b.right, b.top + to};
}

std::int32_t ScrollBar::ThumbLength() const
{
    const std::int32_t arrow = std::min(Thickness(), Length() / 2);
    const std::int32_t track = Length() - 2 * arrow;
    if (m_page <= 0)
        return std::min(track, Thickness());
    const std::int64_t range = static_cast<std::int64_t>(std::abs(m_max - m_min)) + m_page;
    return std::min<std::int32_t>(track, std::max<std::int32_t>(kMinThumb, static_cast<std::int32_t>(track * m_page / range)));
}

platform::Rect ScrollBar::LessArrowRect() const
{
    return AlongRect(0, std::min(Thickness(), Length() / 2));
}

platform::Rect ScrollBar::MoreArrowRect() const
{
    return AlongRect(Length() - std::min(Thickness(), Length() / 2), Length());
}

platform::Rect ScrollBar::ThumbRect() const
{
    const std::int32_t arrow = std::min(Thickness(), Length() / 2);
    const std::int32_t track = Length() - 2 * arrow;
    const std::int32_t thumb = ThumbLength();
    const std::int64_t span = static_cast<std::int64_t>(m_max) - m_min;
    const std::int64_t room = track - thumb;
    const std::int32_t start =
        arrow + (span == 0 || room <= 0 ? 0 : static_cast<std::int32_t>((m_value - m_min) * room / span));
    return AlongRect(start, start + thumb);
}

ScrollBar::Part ScrollBar::PartAt(const MouseEvent& event) const
{
    if (!Contains(Bounds(), event.x, event.y))
        return Part::None;
    if (Contains(LessArrowRect(), event.x, event.y))
        return Part::LessArrow;
    if (Contains(MoreArrowRect(), event.x, event.y))
        return Part::MoreArrow;
    const platform::Rect thumb = ThumbRect();
    if (Contains(thumb, event.x, event.y))
        return Part::Thumb;
    const std::int32_t thumb_start =
        m_orientation == Orientation::Horizontal ? thumb.left - Bounds().left : thumb.top - Bounds().top;
    return Along(event) < thumb_start ? Part::LessPage : Part::MorePage;
}

bool ScrollBar::OnPressedPart(const MouseEvent& event) const
{
    // The whole track counts for a held page: the part under the pointer
    // changes as the thumb moves towards it.
    if (m_pressed == Part::LessPage || m_pressed == Part::MorePage)
        return Contains(Bounds(), event.x, event.y);
    return PartAt(event) == m_pressed;
}

void ScrollBar::Step(Part part)
{
    const std::int32_t direction = m_max >= m_min ? 1 : -1;
    switch (part) {
    case Part::LessArrow:
        MoveTo(m_value - direction * m_small_change);
        break;
    case Part::MoreArrow:
        MoveTo(m_value + direction * m_small_change);
        break;
    case Part::LessPage:
        MoveTo(m_value - direction * m_large_change);
        break;
    case Part::MorePage:
        MoveTo(m_value + direction * m_large_change);
        break;
    default:
        break;
    }
}

void ScrollBar::MouseDown(const MouseEvent& event)
{
    const Part part = PartAt(event);
    if (m_press.Press(event.button, Now())) {
        m_pressed = part;
        m_pointer_along = Along(event);
        if (m_pressed == Part::Thumb) {
            const platform::Rect thumb = ThumbRect();
            m_drag_offset = Along(event) - (m_orientation == Orientation::Horizontal ? thumb.left - Bounds().left
                                                                                      : thumb.top - Bounds().top);
            m_drag_start_value = m_value;
        } else {
            Step(m_pressed);
        }
        Invalidate();
    }
    Control::MouseDown(event);
}

void ScrollBar::MouseMove(const MouseEvent& event)
{
    m_pointer_along = Along(event);
    if (m_pressed == Part::Thumb) {
        const std::int32_t arrow = std::min(Thickness(), Length() / 2);
        const std::int64_t room = Length() - 2 * arrow - ThumbLength();
        if (room <= 0)
            return;
        const std::int64_t position = std::clamp<std::int64_t>(Along(event) - m_drag_offset - arrow, 0, room);
        const std::int64_t span = static_cast<std::int64_t>(m_max) - m_min;
        const auto value = static_cast<std::int32_t>(m_min + (position * span * 2 + room) / (room * 2));
        if (value != m_value) {
            m_value = value;
            Invalidate();
            if (OnScroll)
                OnScroll();
        }
    } else if (m_pressed != Part::None) {
        if (m_press.Move(OnPressedPart(event)))
            Invalidate();
    }
}

void ScrollBar::MouseUp(const MouseEvent& event)
{
    if (m_press.Held()) {
        m_press.Release(event.button, OnPressedPart(event));
        if (!m_press.Held()) {
            const Part released = m_pressed;
            m_pressed = Part::None;
            Invalidate();
            if (released == Part::Thumb && m_value != m_drag_start_value && OnChange)
                OnChange();
        }
    }
    Control::MouseUp(event);
}

void ScrollBar::CaptureLost()
{
    m_press.Cancel();
    m_pressed = Part::None;
    Invalidate();
}

void ScrollBar::Tick(std::uint64_t now)
{
    if (m_pressed == Part::None || m_pressed == Part::Thumb || !m_press.Tick(now))
        return;
    if (m_pressed == Part::LessPage || m_pressed == Part::MorePage) {
        // The track repeats only until the thumb reaches the pointer.
        const platform::Rect thumb = ThumbRect();
        const std::int32_t start =
            m_orientation == Orientation::Horizontal ? thumb.left - Bounds().left : thumb.top - Bounds().top;
        const std::int32_t end = start + ThumbLength();
        if ((m_pressed == Part::LessPage && m_pointer_along >= start) ||
            (m_pressed == Part::MorePage && m_pointer_along < end))
            return;
    }
    Step(m_pressed);
}

bool ScrollBar::Wheel(std::int32_t notches)
{
    if (!m_takes_keys)
        return false;
    MoveTo(m_value - notches * m_small_change * (m_max >= m_min ? 1 : -1));
    return true;
}

void ScrollBar::KeyDown(Key key, bool)
{
    switch (key) {
    case Key::Left:
    case Key::Up:
        Step(Part::LessArrow);
        break;
    case Key::Right:
    case Key::Down:
        Step(Part::MoreArrow);
        break;
    case Key::PageUp:
        Step(Part::LessPage);
        break;
    case Key::PageDown:
        Step(Part::MorePage);
        break;
    case Key::Home:
        MoveTo(m_min);
        break;
    case Key::End:
        MoveTo(m_max);
        break;
    default:
        break;
    }
}

void ScrollBar::Paint(Surface& surface)
{
    const platform::Rect& b = Bounds();
    FillRect(surface, b, colour::kTrack);
    const bool enabled = Enabled();
    const std::uint32_t arrow_colour = enabled ? colour::kText : colour::kShadow;
    auto button = [&](const platform::Rect& r, bool pressed) {
        FillRect(surface, r, colour::kFace);
        if (pressed)
            FrameRect(surface, r, colour::kShadow);
        else
            DrawEdge(surface, r, Edge::Raised);
    };
    const platform::Rect less = LessArrowRect();
    const platform::Rect more = MoreArrowRect();
    const bool less_down = m_pressed == Part::LessArrow && m_press.LooksPressed();
    const bool more_down = m_pressed == Part::MoreArrow && m_press.LooksPressed();
    button(less, less_down);
    button(more, more_down);
    const std::int32_t shift_less = less_down ? 1 : 0;
    const std::int32_t shift_more = more_down ? 1 : 0;
    DrawArrow(surface, {less.left + shift_less, less.top + shift_less, less.right + shift_less, less.bottom + shift_less},
              m_orientation, false, arrow_colour);
    DrawArrow(surface, {more.left + shift_more, more.top + shift_more, more.right + shift_more, more.bottom + shift_more},
              m_orientation, true, arrow_colour);
    if (!enabled)
        return;
    // The held part of the track shows darker, as the system's does.
    if ((m_pressed == Part::LessPage || m_pressed == Part::MorePage) && m_press.LooksPressed()) {
        const platform::Rect thumb = ThumbRect();
        platform::Rect held = m_pressed == Part::LessPage
                                  ? (m_orientation == Orientation::Horizontal
                                         ? platform::Rect{less.right, b.top, thumb.left, b.bottom}
                                         : platform::Rect{b.left, less.bottom, b.right, thumb.top})
                                  : (m_orientation == Orientation::Horizontal
                                         ? platform::Rect{thumb.right, b.top, more.left, b.bottom}
                                         : platform::Rect{b.left, thumb.bottom, b.right, more.top});
        FillRect(surface, held, colour::kDarkShadow);
    }
    if (m_max != m_min || m_page > 0) {
        const platform::Rect thumb = ThumbRect();
        button(thumb, false);
    }
}

}  // namespace nuvra::ui
