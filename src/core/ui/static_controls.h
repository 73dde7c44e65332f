// The controls that show something and only pass the mouse on: a label
// (text, transparent or opaque, bordered, aligned, greyed when disabled,
// underlined; a press and release of any mouse button on it is its Click)
// and a picture (stretched over the control, or nothing); and the captions
// every control writes the way a label does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/font.h"
#include "ui/button_behavior.h"
#include "ui/control.h"

namespace nuvra::ui {

class Label final : public Control {
public:
    Label(const platform::Rect& bounds, platform::Font* font, std::string caption = {})
        : Control(bounds), m_font(font), m_caption(std::move(caption))
    {
    }

    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string caption);
    std::uint32_t ForeColor() const { return m_fore_colour; }
    void SetForeColor(std::uint32_t colour);
    void SetAlignment(Align alignment) { m_alignment = alignment; }
    // An opaque label fills its rectangle with back_colour first.
    void SetOpaque(std::uint32_t back_colour)
    {
        m_opaque = true;
        m_back_colour = back_colour;
    }
    void SetBorder(bool border) { m_border = border; }
    void SetUnderline(bool underline) { m_underline = underline; }
    void SetFont(platform::Font* font) { m_font = font; }

    std::function<void()> OnClick;

    void Paint(Surface& surface) override;
    void MouseDown(const MouseEvent& event) override;
    void MouseUp(const MouseEvent& event) override;
    void CaptureLost() override { m_click.Cancel(); }

private:
    ButtonBehavior m_click{ActsOn::ReleaseInside, mouse::kAnyButton};
    platform::Font* m_font;
    std::string m_caption;
    std::uint32_t m_fore_colour = colour::kText;
    std::uint32_t m_back_colour = colour::kFace;
    Align m_alignment = Align::Left;
    bool m_opaque = false;
    bool m_border = false;
    bool m_underline = false;
};

// A picture control: shows its picture stretched to its size (nothing when it
// has none, so what lies under it shows through).
class PictureBox final : public Control {
public:
    explicit PictureBox(const platform::Rect& bounds) : Control(bounds) {}

    const platform::Canvas* Picture() const { return m_picture; }
    // picture must outlive the control or the next SetPicture.
    void SetPicture(const platform::Canvas* picture);

    void Paint(Surface& surface) override;

private:
    const platform::Canvas* m_picture = nullptr;
};

// How a caption is written: aligned across its box, in colour, or greyed
// (engraved, as the system draws a disabled caption).
struct CaptionLook {
    Align align = Align::Left;
    std::uint32_t colour = colour::kText;
    bool underline = false;
    bool greyed = false;
};

// A caption in box: one line from the box's top, or as many lines as fit
// when the box is at least two lines high (broken with WrapText); nothing
// of it outside box.
void DrawCaption(Surface& surface, platform::Font& font, const std::string& caption, const platform::Rect& box,
                 const CaptionLook& look);

// Splits text into the lines that fit width, breaking between characters
// (paths have no blanks to break at); a single character wider than width
// gets a line of its own.
std::vector<std::string> WrapText(platform::Font& font, const std::string& text, std::int32_t width);

}  // namespace nuvra::ui
