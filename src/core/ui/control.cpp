#include "ui/control.h"

#include <algorithm>

namespace nuvra::ui {

void Control::SetBounds(const platform::Rect& bounds)
{
    Invalidate();
    m_bounds = bounds;
    Invalidate();
}

void Control::SetVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    if (m_host != nullptr) {
        m_host->Invalidate(m_bounds);
        if (!visible)
            m_host->Release(*this);
    }
}

void Control::SetEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    Invalidate();
    if (!enabled && m_host != nullptr)
        m_host->Release(*this);
}

void Control::Invalidate()
{
    InvalidateRect(m_bounds);
    if (const std::optional<platform::Rect> popup = Popup())
        InvalidateRect(*popup);
}

void Control::InvalidateRect(const platform::Rect& rect)
{
    if (m_host != nullptr)
        m_host->Invalidate(rect);
}

void Control::MouseDown(const MouseEvent& event)
{
    if (OnMouseDown)
        OnMouseDown(event);
}

void Control::MouseUp(const MouseEvent& event)
{
    if (OnMouseUp)
        OnMouseUp(event);
}

bool Control::HitTest(std::int32_t x, std::int32_t y) const
{
    return Contains(m_bounds, x, y);
}

bool Control::HasFocus() const
{
    return m_host != nullptr && m_host->Focus() == this;
}

std::uint64_t Control::Now() const
{
    return m_host != nullptr ? m_host->Now() : 0;
}

void ControlHost::Add(Control& control)
{
    control.m_host = this;
    m_controls.push_back(&control);
    Invalidate(control.Bounds());
    for (Control* part : control.Parts()) {
        part->m_owner = &control;
        Add(*part);
    }
}

void ControlHost::Invalidate(const platform::Rect& rect)
{
    m_dirty = Union(m_dirty, rect);
}

std::optional<platform::Rect> ControlHost::Paint(platform::Canvas& canvas)
{
    if (!NeedsPaint())
        return std::nullopt;
    Surface surface(canvas, m_dirty);
    m_dirty = {};
    if (Width(surface.clip) <= 0 || Height(surface.clip) <= 0)
        return std::nullopt;
    m_paint_background(surface);
    for (Control* control : m_controls) {
        if (control->Visible() && Intersects(control->Bounds(), surface.clip)) {
            Surface part = surface.Clipped(control->Bounds());
            control->Paint(part);
        }
    }
    PaintPopups(surface);
    return surface.clip;
}

void ControlHost::PaintPopups(Surface& surface)
{
    for (Control* control : m_controls) {
        const std::optional<platform::Rect> popup = control->Popup();
        if (!control->Visible() || !popup || !Intersects(*popup, surface.clip))
            continue;
        Surface inside = surface.Clipped(*popup);
        control->PaintPopup(inside);
        for (Control* part : control->Parts()) {
            if (part->Visible() && Intersects(part->Bounds(), inside.clip)) {
                Surface part_surface = inside.Clipped(part->Bounds());
                part->Paint(part_surface);
            }
        }
    }
}

Control* ControlHost::PopupAt(std::int32_t x, std::int32_t y) const
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        const std::optional<platform::Rect> popup = (*it)->Popup();
        if (!(*it)->Visible() || !popup || !Contains(*popup, x, y))
            continue;
        for (Control* part : (*it)->Parts())
            if (part->Visible() && part->HitTest(x, y))
                return part;
        return *it;
    }
    return nullptr;
}

Control* ControlHost::ControlAt(std::int32_t x, std::int32_t y) const
{
    if (Control* popup = PopupAt(x, y))
        return popup;
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it)
        if ((*it)->Visible() && (*it)->HitTest(x, y))
            return *it;
    return nullptr;
}

void ControlHost::SetFocus(Control* control)
{
    if (control == m_focus)
        return;
    Control* previous = m_focus;
    m_focus = control;
    if (previous != nullptr)
        previous->FocusChanged(false);
    if (control != nullptr)
        control->FocusChanged(true);
}

void ControlHost::Release(Control& control)
{
    if (m_capture == &control) {
        m_capture = nullptr;
        control.CaptureLost();
    }
    if (m_focus == &control)
        SetFocus(nullptr);
}

void ControlHost::UpdatePointer(Control* over)
{
    const platform::PointerImage* pointer = over != nullptr && over->Enabled() ? over->Pointer() : nullptr;
    if (m_pointer_known && pointer == m_pointer)
        return;
    m_pointer = pointer;
    m_pointer_known = true;
    if (OnPointerChange)
        OnPointerChange(pointer);
}

void ControlHost::Input(const platform::InputEvent& event)
{
    const MouseEvent mouse{event.x, event.y, platform::ButtonFlag(event.button)};
    switch (event.kind) {
    case platform::InputKind::MouseDown:
        MouseDown(mouse);
        break;
    case platform::InputKind::MouseUp:
        MouseUp(mouse);
        break;
    case platform::InputKind::MouseMove:
        MouseMove(mouse);
        break;
    case platform::InputKind::Wheel:
        Wheel(mouse, event.wheel);
        break;
    case platform::InputKind::KeyDown:
        if (event.key == Key::Alt)
            m_alt = true;
        else if (m_focus != nullptr)
            m_focus->KeyDown(event.key, m_alt);
        break;
    case platform::InputKind::KeyUp:
        if (event.key == Key::Alt)
            m_alt = false;
        break;
    case platform::InputKind::TextInput:
        if (m_focus != nullptr && !m_alt)
            m_focus->TextInput(event.text);
        break;
    case platform::InputKind::FocusLost:
        m_alt = false;
        break;
    default:
        break;
    }
}

void ControlHost::MouseDown(const MouseEvent& mouse)
{
    Control* target = m_capture;
    if (target == nullptr) {
        target = ControlAt(mouse.x, mouse.y);
        // A press anywhere else than an open drop-down or its parts closes
        // it, and that is all it does.
        for (Control* control : m_controls) {
            if (control != target && control->Popup() && (target == nullptr || target->Owner() != control)) {
                control->ClosePopup();
                target = nullptr;
            }
        }
        if (target == nullptr || !target->Enabled())
            return;
        m_capture = target;
        if (target->TakesKeys())
            SetFocus(target);
    }
    m_buttons |= mouse.button;
    target->MouseDown(mouse);
}

void ControlHost::MouseUp(const MouseEvent& mouse)
{
    Control* target = m_capture;
    m_buttons &= ~mouse.button;
    if (m_buttons == 0)
        m_capture = nullptr;
    if (target != nullptr)
        target->MouseUp(mouse);
    UpdatePointer(ControlAt(mouse.x, mouse.y));
}

void ControlHost::MouseMove(const MouseEvent& mouse)
{
    if (m_capture != nullptr) {
        m_capture->MouseMove(mouse);
        UpdatePointer(m_capture);
        return;
    }
    Control* over = ControlAt(mouse.x, mouse.y);
    if (over != nullptr && over->Enabled())
        over->MouseMove(mouse);
    UpdatePointer(over);
}

void ControlHost::Wheel(const MouseEvent& mouse, std::int32_t notches)
{
    Control* over = m_capture != nullptr ? m_capture : ControlAt(mouse.x, mouse.y);
    if (over != nullptr && over->Enabled() && over->Wheel(notches))
        return;
    if (m_focus != nullptr && m_focus != over)
        m_focus->Wheel(notches);
}

void ControlHost::Tick(std::uint64_t now)
{
    m_now = now;
    for (Control* control : m_controls)
        if (control->Visible() && control->Enabled())
            control->Tick(now);
}

}  // namespace nuvra::ui
