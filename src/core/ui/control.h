// The owner-drawn controls' common face and the host that routes a window's
// input to them and repaints what changed.
//
// Controls sit at fixed rectangles in the window's client coordinates, drawn
// in the order they were added (later ones on top). The host gives a mouse
// press to the topmost visible control that takes the mouse at the pointer
// (HitTest: its whole rectangle unless it says otherwise), and every later
// mouse event to that same control until the last button is released (the
// press captures the mouse). A disabled control takes no mouse events; keys
// reach only the control that has the focus, and only controls that take
// keys ever get it (a mouse press gives it to them). Nothing here draws
// outside the part of the window the host is repainting.
//
// A control made of others (a list and its scroll bars) names them in
// Parts(); the host adds them right after it, on top of it, and routes their
// input itself, so an owner never forwards events to its parts. An open
// popup lies above every control; the owner's parts inside it (the scroll
// bar of a drop-down list) are drawn with it and take the mouse there.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/window.h"
#include "ui/canvas_draw.h"

namespace nuvra::ui {

using platform::Key;

struct MouseEvent {
    std::int32_t x = 0;  // window client coordinates
    std::int32_t y = 0;
    std::uint32_t button = 0;  // 1 left, 2 right, 4 middle
};

class ControlHost;

class Control {
public:
    explicit Control(const platform::Rect& bounds) : m_bounds(bounds) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const platform::Rect& Bounds() const { return m_bounds; }
    void SetBounds(const platform::Rect& bounds);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // The pointer shown over the control; null: the arrow.
    const platform::PointerImage* Pointer() const { return m_pointer; }
    void SetPointer(const platform::PointerImage* pointer) { m_pointer = pointer; }
    // Asks the host to draw the control again at the next paint.
    void Invalidate();
    void InvalidateRect(const platform::Rect& rect);

    // Handlers the owner of the control gives; run after the control's own
    // reaction to the event.
    std::function<void(const MouseEvent&)> OnMouseDown;
    std::function<void(const MouseEvent&)> OnMouseUp;

    virtual void Paint(Surface& surface) = 0;
    // Whether the control takes the mouse at (x, y) of the window.
    virtual bool HitTest(std::int32_t x, std::int32_t y) const;
    virtual bool TakesKeys() const { return false; }
    virtual void MouseDown(const MouseEvent& event);
    virtual void MouseUp(const MouseEvent& event);
    virtual void MouseMove(const MouseEvent& event) { static_cast<void>(event); }
    // True when the control used the wheel.
    virtual bool Wheel(std::int32_t notches) { static_cast<void>(notches); return false; }
    virtual void KeyDown(Key key, bool alt) { static_cast<void>(key); static_cast<void>(alt); }
    virtual void TextInput(std::string_view text) { static_cast<void>(text); }
    virtual void FocusChanged(bool focused) { static_cast<void>(focused); }
    // The host took the mouse away before the release (the control was
    // hidden or disabled while pressed): a held press ends without acting.
    virtual void CaptureLost() {}
    // Called after every pass of the loop with the clock's time (held-button repeats).
    virtual void Tick(std::uint64_t now) { static_cast<void>(now); }
    // A part drawn above every other control while it is open (a drop-down
    // list), and the mouse events inside it go to this control.
    virtual std::optional<platform::Rect> Popup() const { return std::nullopt; }
    virtual void PaintPopup(Surface& surface) { static_cast<void>(surface); }
    // The host is giving the press to another control while the popup is open.
    virtual void ClosePopup() {}
    // Controls that are parts of this one (a list's scroll bars); the host
    // adds them right after it, so they lie on top of it.
    virtual std::vector<Control*> Parts() { return {}; }
    // The control this one is a part of, or null.
    Control* Owner() const { return m_owner; }

    bool HasFocus() const;
    std::uint64_t Now() const;

private:
    friend class ControlHost;
    platform::Rect m_bounds;
    bool m_visible = true;
    bool m_enabled = true;
    const platform::PointerImage* m_pointer = nullptr;
    ControlHost* m_host = nullptr;
    Control* m_owner = nullptr;
};

class ControlHost {
public:
    // paint_background draws what lies under every control (the window's
    // persistent backing) into the part being repainted.
    explicit ControlHost(std::function<void(Surface&)> paint_background)
        : m_paint_background(std::move(paint_background))
    {
    }

    void Add(Control& control);
    void Invalidate(const platform::Rect& rect);
    bool NeedsPaint() const { return Width(m_dirty) > 0 && Height(m_dirty) > 0; }
    // Draws the invalid part into canvas; the rectangle drawn, if any.
    std::optional<platform::Rect> Paint(platform::Canvas& canvas);

    // A mouse or key event of the window; other kinds are ignored.
    void Input(const platform::InputEvent& event);
    void Tick(std::uint64_t now);
    std::uint64_t Now() const { return m_now; }

    Control* Focus() const { return m_focus; }
    void SetFocus(Control* control);
    // Told the pointer to show whenever it changes.
    std::function<void(const platform::PointerImage*)> OnPointerChange;
    // Forgets a control's capture and focus when it is hidden or disabled.
    void Release(Control& control);

private:
    Control* ControlAt(std::int32_t x, std::int32_t y) const;
    Control* PopupAt(std::int32_t x, std::int32_t y) const;
    void UpdatePointer(Control* over);
    void PaintPopups(Surface& surface);
    void MouseDown(const MouseEvent& mouse);
    void MouseUp(const MouseEvent& mouse);
    void MouseMove(const MouseEvent& mouse);
    void Wheel(const MouseEvent& mouse, std::int32_t notches);

    std::function<void(Surface&)> m_paint_background;
    std::vector<Control*> m_controls;
    platform::Rect m_dirty{};
    Control* m_capture = nullptr;
    Control* m_focus = nullptr;
    std::uint32_t m_buttons = 0;
    bool m_alt = false;
    const platform::PointerImage* m_pointer = nullptr;
    bool m_pointer_known = false;
    std::uint64_t m_now = 0;
};

}  // namespace nuvra::ui
