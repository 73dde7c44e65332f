#include "ui/static_controls.h"

namespace nuvra::ui {

namespace {

// Bytes in the UTF-8 sequence that starts with lead.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

}  // namespace

std::vector<std::string> WrapText(platform::Font& font, const std::string& text, std::int32_t width)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
        const std::string candidate = line + text.substr(i, length);
        if (!line.empty() && font.Measure(candidate).width > width) {
            lines.push_back(line);
            line = text.substr(i, length);
        } else {
            line = candidate;
        }
        i += length;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

void Label::SetCaption(std::string caption)
{
    if (caption == m_caption)
        return;
    m_caption = std::move(caption);
    Invalidate();
}

void Label::SetForeColor(std::uint32_t colour)
{
    if (colour == m_fore_colour)
        return;
    m_fore_colour = colour;
    Invalidate();
}

void DrawCaption(Surface& surface, platform::Font& font, const std::string& caption, const platform::Rect& box,
                 const CaptionLook& look)
{
    const std::int32_t line_height = std::max(1, font.Measure("Ag").height);
    std::vector<std::string> lines;
    if (line_height * 2 <= Height(box))
        lines = WrapText(font, caption, Width(box));
    else
        lines.push_back(caption);
    Surface inside = surface.Clipped(box);
    std::int32_t top = box.top;
    for (const std::string& line : lines) {
        const platform::Rect line_box{box.left, top, box.right, top + line_height};
        if (!look.greyed) {
            DrawTextLine(inside, font, line, line_box, look.align, look.colour, look.underline);
        } else {
            const platform::Rect shadow_box{line_box.left + 1, line_box.top + 1, line_box.right + 1, line_box.bottom + 1};
            DrawTextLine(inside, font, line, shadow_box, look.align, colour::kHighlight, look.underline);
            DrawTextLine(inside, font, line, line_box, look.align, colour::kShadow, look.underline);
        }
        top += line_height;
    }
}

void Label::Paint(Surface& surface)
{
    const platform::Rect& box = Bounds();
    if (m_opaque)
        FillRect(surface, box, m_back_colour);
    platform::Rect text_box = box;
    if (m_border) {
        DrawEdge(surface, box, Edge::Sunken);
        text_box = {box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
    }
    if (m_font == nullptr || m_caption.empty())
        return;
    DrawCaption(surface, *m_font, m_caption, text_box, {m_alignment, m_fore_colour, m_underline, !Enabled()});
}

void Label::MouseDown(const MouseEvent& event)
{
    m_click.Press(event.button, Now());
    Control::MouseDown(event);
}

void Label::MouseUp(const MouseEvent& event)
{
    const bool clicked = m_click.Release(event.button, HitTest(event.x, event.y));
    Control::MouseUp(event);
    if (clicked && OnClick)
        OnClick();
}

void PictureBox::SetPicture(const platform::Canvas* picture)
{
    m_picture = picture;
    Invalidate();
}

void PictureBox::Paint(Surface& surface)
{
    if (m_picture == nullptr || m_picture->width <= 0 || m_picture->height <= 0)
        return;
    StretchImage(surface, Bounds(), *m_picture, {0, 0, m_picture->width, m_picture->height});
}

}  // namespace nuvra::ui
