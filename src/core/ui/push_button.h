// A skinned push button: a face picture stretched over the control, the
// released one or the pressed one, and a centred caption lying on it. Only
// the caption's box takes the mouse; the rest of the face is picture.
//
// The press is ButtonBehavior's: the face shows pressed exactly while
// letting go would act, and OnClick runs once per press, after the face is
// back up. ActsOn::ReleaseInside is the usual button (the face rises as the
// held pointer leaves the caption and sinks again as it comes back; a
// release away from it does nothing); ActsOn::ReleaseAnywhere commits at
// the press (the face stays down while held, wherever the pointer goes, and
// any release acts). A disabled button greys its caption and takes nothing;
// disabling it while it is held ends the press without acting.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/font.h"
#include "ui/button_behavior.h"
#include "ui/control.h"

namespace nuvra::ui {

class PushButton final : public Control {
public:
    // face: the control's rectangle; caption_box: the part that takes the
    // mouse and holds the caption; buttons: the mouse buttons that press it.
    PushButton(const platform::Rect& face, const platform::Rect& caption_box, platform::Font* font, std::string caption,
               ActsOn acts_on = ActsOn::ReleaseInside, std::uint32_t buttons = mouse::kLeft);

    // The two faces, which must outlive the button; until they are given
    // only the caption shows.
    void SetFaces(const platform::Canvas* released, const platform::Canvas* pressed);
    // The face shown now, or null.
    const platform::Canvas* Face() const;
    bool LooksPressed() const { return m_press.LooksPressed(); }
    const platform::Rect& CaptionBox() const { return m_caption_box; }
    const std::string& Caption() const { return m_caption; }

    std::function<void()> OnClick;

    void Paint(Surface& surface) override;
    bool HitTest(std::int32_t x, std::int32_t y) const override;
    void MouseDown(const MouseEvent& event) override;
    void MouseMove(const MouseEvent& event) override;
    void MouseUp(const MouseEvent& event) override;
    void CaptureLost() override;

private:
    platform::Rect m_caption_box;
    platform::Font* m_font;
    std::string m_caption;
    const platform::Canvas* m_released = nullptr;
    const platform::Canvas* m_pressed = nullptr;
    ButtonBehavior m_press;
};

}  // namespace nuvra::ui
