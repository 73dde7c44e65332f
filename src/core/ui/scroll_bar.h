// A classic 3-D scroll bar, horizontal or vertical: two arrow buttons, the
// track and the thumb. An arrow moves the value by the small step, a press on
// the track by the large step towards the press; both repeat while the left
// button is held on them (ButtonBehavior's repeat). Dragging the thumb reports Scroll at every new value and Change
// once it is let go with a value other than the one it started from; every
// other move reports Change. The keys Left/Up, Right/Down, PgUp, PgDn, Home
// and End move it while it has the focus.
#pragma once

#include <cstdint>
#include <functional>

#include "ui/button_behavior.h"
#include "ui/control.h"

namespace nuvra::ui {

enum class Orientation { Horizontal, Vertical };

class ScrollBar final : public Control {
public:
    ScrollBar(const platform::Rect& bounds, Orientation orientation) : Control(bounds), m_orientation(orientation) {}

    std::int32_t Value() const { return m_value; }
    std::int32_t Min() const { return m_min; }
    std::int32_t Max() const { return m_max; }
    // False, and nothing changes, for a value outside Min..Max; Change runs
    // when the value is new.
    bool SetValue(std::int32_t value);
    // The range; the value is brought inside it without an event.
    void SetRange(std::int32_t min, std::int32_t max);
    void SetSteps(std::int32_t small_change, std::int32_t large_change)
    {
        m_small_change = small_change;
        m_large_change = large_change;
    }
    // A thumb as long as page is of the range plus page (a list's bar);
    // 0 keeps a square thumb.
    void SetPageSize(std::int32_t page) { m_page = page; }
    // Whether a key press would be taken (false for a bar inside another
    // control, which passes keys itself).
    void SetTakesKeys(bool takes) { m_takes_keys = takes; }

    std::function<void()> OnChange;
    std::function<void()> OnScroll;

    void Paint(Surface& surface) override;
    bool TakesKeys() const override { return m_takes_keys; }
    void MouseDown(const MouseEvent& event) override;
    void MouseUp(const MouseEvent& event) override;
    void MouseMove(const MouseEvent& event) override;
    bool Wheel(std::int32_t notches) override;
    void KeyDown(Key key, bool alt) override;
    void Tick(std::uint64_t now) override;
    void CaptureLost() override;

    // Geometry, in window coordinates (for tests and the owner's layout).
    platform::Rect ThumbRect() const;
    platform::Rect LessArrowRect() const;
    platform::Rect MoreArrowRect() const;

private:
    enum class Part { None, LessArrow, MoreArrow, LessPage, MorePage, Thumb };
    std::int32_t Along(const MouseEvent& event) const;
    std::int32_t Thickness() const;
    std::int32_t Length() const;
    std::int32_t ThumbLength() const;
    Part PartAt(const MouseEvent& event) const;
    bool OnPressedPart(const MouseEvent& event) const;
    void Step(Part part);
    // Moves to value (clamped) and reports Change when it is new.
    void MoveTo(std::int32_t value);
    platform::Rect AlongRect(std::int32_t from, std::int32_t to) const;

    Orientation m_orientation;
    std::int32_t m_min = 0;
    std::int32_t m_max = 32767;
    std::int32_t m_value = 0;
    std::int32_t m_small_change = 1;
    std::int32_t m_large_change = 1;
    std::int32_t m_page = 0;
    bool m_takes_keys = true;

    // The part the left button holds, and its press.
    Part m_pressed = Part::None;
    ButtonBehavior m_press{ActsOn::Press, mouse::kLeft, Repeat::WhileHeld};
    std::int32_t m_pointer_along = 0;
    std::int32_t m_drag_offset = 0;
    std::int32_t m_drag_start_value = 0;
};

}  // namespace nuvra::ui
