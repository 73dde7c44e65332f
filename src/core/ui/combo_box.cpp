#include "ui/combo_box.h"

#include <algorithm>

namespace nuvra::ui {

namespace {
constexpr std::int32_t kEdge = 2;
constexpr std::int32_t kButtonWidth = 17;
constexpr std::int32_t kBarThickness = 17;
constexpr std::int32_t kMaxRows = 8;
constexpr std::int32_t kTextIndent = 2;
constexpr Key kDropKeyWithAlt = Key::Down;

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t PreviousBoundary(const std::string& text, std::size_t at)
{
    if (at == 0)
        return 0;
    --at;
    while (at > 0 && IsContinuation(text[at]))
        --at;
    return at;
}

std::size_t NextBoundary(const std::string& text, std::size_t at)
{
    if (at >= text.size())
        return text.size();
    ++at;
    while (at < text.size() && IsContinuation(text[at]))
        ++at;
    return at;
}
}  // namespace

ComboBox::ComboBox(const platform::Rect& bounds, platform::Font* font)
    : Control(bounds), m_font(font), m_bar({0, 0, kBarThickness, kBarThickness * 2}, Orientation::Vertical)
{
    if (font != nullptr)
        m_item_height = std::max(1, font->Measure("Ag").height);
    m_bar.SetTakesKeys(false);
    m_bar.SetVisible(false);
    m_bar.OnChange = m_bar.OnScroll = [this] {
        m_top = m_bar.Value();
        InvalidateRect(PopupRect());
    };
}

void ComboBox::SetText(std::string text)
{
    m_text = std::move(text);
    m_caret = m_text.size();
    // New text shows from its start, as an edit box's does; the next edit
    // brings the caret into sight.
    m_scroll = 0;
    Invalidate();
}

void ComboBox::AddItem(std::string item)
{
    m_items.push_back(std::move(item));
}

std::int32_t ComboBox::PopupRows() const
{
    return std::clamp(ListCount(), 1, kMaxRows);
}

platform::Rect ComboBox::PopupRect() const
{
    const platform::Rect& b = Bounds();
    return {b.left, b.bottom, b.right, b.bottom + PopupRows() * m_item_height + 2};
}

platform::Rect ComboBox::PopupItems() const
{
    const platform::Rect p = PopupRect();
    const bool bar = ListCount() > kMaxRows;
    return {p.left + 1, p.top + 1, p.right - 1 - (bar ? kBarThickness : 0), p.bottom - 1};
}

std::optional<platform::Rect> ComboBox::Popup() const
{
    if (!m_dropped)
        return std::nullopt;
    return PopupRect();
}

platform::Rect ComboBox::ButtonRect() const
{
    const platform::Rect& b = Bounds();
    return {b.right - kEdge - kButtonWidth, b.top + kEdge, b.right - kEdge, b.bottom - kEdge};
}

void ComboBox::SetDroppedDown(bool dropped)
{
    if (dropped == m_dropped)
        return;
    if (!dropped)
        InvalidateRect(PopupRect());
    m_dropped = dropped;
    m_bar.SetVisible(false);
    if (dropped) {
        // Open at the entry that matches the text, if any.
        const auto found = std::find(m_items.begin(), m_items.end(), m_text);
        m_hot = found != m_items.end() ? static_cast<std::int32_t>(found - m_items.begin()) : -1;
        const std::int32_t max_top = std::max(0, ListCount() - kMaxRows);
        m_top = std::clamp(m_hot, 0, max_top);
        const platform::Rect p = PopupRect();
        m_bar.SetBounds({p.right - 1 - kBarThickness, p.top + 1, p.right - 1, p.bottom - 1});
        m_bar.SetRange(0, max_top);
        m_bar.SetSteps(1, kMaxRows);
        m_bar.SetPageSize(kMaxRows);
        m_bar.SetValue(m_top);
        // The open list is one piece with the box: its bar shows the box's
        // pointer.
        m_bar.SetPointer(Pointer());
        m_bar.SetVisible(ListCount() > kMaxRows);
    }
    Invalidate();
}

void ComboBox::TakeEntry(std::int32_t index)
{
    if (index < 0 || index >= ListCount())
        return;
    SetText(m_items[static_cast<std::size_t>(index)]);
}

std::int32_t ComboBox::TextLeft() const
{
    return Bounds().left + kEdge + kTextIndent - m_scroll;
}

platform::Rect ComboBox::FieldRect() const
{
    const platform::Rect& b = Bounds();
    return {b.left + kEdge, b.top + kEdge, ButtonRect().left, b.bottom - kEdge};
}

// As in any edit box: the text moves under the field so that the caret, one
// pixel wide, is always inside it, and no more is scrolled away than needed.
void ComboBox::ScrollToCaret()
{
    if (m_font == nullptr)
        return;
    const std::int32_t room = std::max(1, Width(FieldRect()) - kTextIndent - 1);
    const std::int32_t caret_x = m_font->Measure(std::string_view(m_text).substr(0, m_caret)).width;
    const std::int32_t text_width = m_font->Measure(m_text).width;
    m_scroll = std::clamp(m_scroll, std::max(0, caret_x - room), caret_x);
    m_scroll = std::min(m_scroll, std::max(0, text_width - room));
}

std::size_t ComboBox::CaretAt(std::int32_t x) const
{
    if (m_font == nullptr)
        return m_text.size();
    std::size_t at = 0;
    while (at < m_text.size()) {
        const std::size_t next = NextBoundary(m_text, at);
        const std::int32_t before = m_font->Measure(m_text.substr(0, at)).width;
        const std::int32_t after = m_font->Measure(m_text.substr(0, next)).width;
        if (x - TextLeft() < (before + after) / 2)
            break;
        at = next;
    }
    return at;
}

void ComboBox::MouseDown(const MouseEvent& event)
{
    if (m_dropped && Contains(PopupRect(), event.x, event.y)) {
        const platform::Rect items = PopupItems();
        if (Contains(items, event.x, event.y)) {
            TakeEntry(m_top + (event.y - items.top) / m_item_height);
            SetDroppedDown(false);
        }
    } else if (Contains(ButtonRect(), event.x, event.y) && event.button == 1) {
        m_button_down = true;
        SetDroppedDown(!m_dropped);
    } else if (event.button == 1) {
        SetDroppedDown(false);
        m_caret = CaretAt(event.x);
        ScrollToCaret();
        Invalidate();
    }
    Control::MouseDown(event);
}

void ComboBox::MouseMove(const MouseEvent& event)
{
    if (m_dropped && Contains(PopupItems(), event.x, event.y)) {
        const std::int32_t hot = std::min(ListCount() - 1, m_top + (event.y - PopupItems().top) / m_item_height);
        if (hot != m_hot) {
            m_hot = hot;
            InvalidateRect(PopupRect());
        }
    }
}

void ComboBox::MouseUp(const MouseEvent& event)
{
    if (m_button_down) {
        m_button_down = false;
        Invalidate();
    }
    Control::MouseUp(event);
}

bool ComboBox::Wheel(std::int32_t notches)
{
    if (m_dropped && m_bar.Visible()) {
        m_bar.SetValue(std::clamp(m_bar.Value() - notches, m_bar.Min(), m_bar.Max()));
        return true;
    }
    return false;
}

void ComboBox::StepEntry(int step)
{
    const auto found = std::find(m_items.begin(), m_items.end(), m_text);
    std::int32_t index = m_dropped ? m_hot : (found != m_items.end() ? static_cast<std::int32_t>(found - m_items.begin()) : -1);
    index = step < 0 ? std::max(0, index - 1) : std::min(ListCount() - 1, index + 1);
    TakeEntry(index);
    if (m_dropped) {
        m_hot = index;
        if (index < m_top)
            m_bar.SetValue(index);
        else if (index >= m_top + kMaxRows)
            m_bar.SetValue(index - kMaxRows + 1);
        InvalidateRect(PopupRect());
    }
}

void ComboBox::KeyDown(Key key, bool alt)
{
    if (key == Key::F4 || (alt && key == kDropKeyWithAlt)) {
        SetDroppedDown(!m_dropped);
        return;
    }
    switch (key) {
    case Key::Return:
        if (m_dropped) {
            TakeEntry(m_hot);
            SetDroppedDown(false);
        }
        break;
    case Key::Escape:
        SetDroppedDown(false);
        break;
    case Key::Up:
    case Key::Down:
        StepEntry(key == Key::Up ? -1 : 1);
        break;
    case Key::Left:
        m_caret = PreviousBoundary(m_text, m_caret);
        break;
    case Key::Right:
        m_caret = NextBoundary(m_text, m_caret);
        break;
    case Key::Home:
        m_caret = 0;
        break;
    case Key::End:
        m_caret = m_text.size();
        break;
    case Key::Backspace:
        if (m_caret > 0) {
            const std::size_t from = PreviousBoundary(m_text, m_caret);
            m_text.erase(from, m_caret - from);
            m_caret = from;
        }
        break;
    case Key::Delete:
        if (m_caret < m_text.size())
            m_text.erase(m_caret, NextBoundary(m_text, m_caret) - m_caret);
        break;
    default:
        return;
    }
    ScrollToCaret();
    Invalidate();
}

void ComboBox::TextInput(std::string_view text)
{
    // Control characters come as keys, never as text.
    std::string typed;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            typed.push_back(c);
    m_text.insert(m_caret, typed);
    m_caret += typed.size();
    ScrollToCaret();
    Invalidate();
}

void ComboBox::FocusChanged(bool focused)
{
    if (!focused)
        SetDroppedDown(false);
    Invalidate();
}

void ComboBox::Paint(Surface& surface)
{
    const platform::Rect& b = Bounds();
    const bool enabled = Enabled();
    FillRect(surface, b, enabled ? colour::kWindow : colour::kFace);
    DrawEdge(surface, b, Edge::Sunken);
    const platform::Rect button = ButtonRect();
    FillRect(surface, button, colour::kFace);
    if (m_button_down)
        FrameRect(surface, button, colour::kShadow);
    else
        DrawEdge(surface, button, Edge::Raised);
    const std::int32_t cx = button.left + Width(button) / 2 + (m_button_down ? 1 : 0);
    const std::int32_t cy = button.top + Height(button) / 2 - 1 + (m_button_down ? 1 : 0);
    for (std::int32_t i = 0; i < 4; ++i)
        FillRect(surface, {cx - 3 + i, cy + i, cx + 4 - i, cy + i + 1}, enabled ? colour::kText : colour::kShadow);
    if (m_font == nullptr)
        return;
    const platform::Rect field = FieldRect();
    const std::int32_t line_height = m_item_height;
    const std::int32_t top = field.top + (Height(field) - line_height) / 2;
    Surface inside = surface.Clipped(field);
    DrawTextLine(inside, *m_font, m_text, {TextLeft(), top, TextLeft() + m_font->Measure(m_text).width + 1, top + line_height}, Align::Left,
                 enabled ? colour::kText : colour::kShadow, false);
    if (HasFocus() && enabled && !m_dropped) {
        const std::int32_t x = TextLeft() + m_font->Measure(m_text.substr(0, m_caret)).width;
        FillRect(inside, {x, top, x + 1, top + line_height}, colour::kText);
    }
}

void ComboBox::PaintPopup(Surface& surface)
{
    const platform::Rect p = PopupRect();
    FillRect(surface, p, colour::kWindow);
    FrameRect(surface, p, colour::kText);
    if (m_font == nullptr)
        return;
    const platform::Rect items = PopupItems();
    Surface inside = surface.Clipped(items);
    for (std::int32_t row = 0; row < PopupRows(); ++row) {
        const std::int32_t index = m_top + row;
        if (index >= ListCount())
            break;
        const platform::Rect line{items.left, items.top + row * m_item_height, items.right,
                                  items.top + (row + 1) * m_item_height};
        const bool hot = index == m_hot;
        if (hot)
            FillRect(inside, line, colour::kSelection);
        DrawTextLine(inside, *m_font, m_items[static_cast<std::size_t>(index)],
                     {line.left + kTextIndent, line.top, line.right, line.bottom}, Align::Left,
                     hot ? colour::kSelectionText : colour::kText, false);
    }
}

}  // namespace nuvra::ui
