#include "ui/list_box.h"

#include <algorithm>

namespace nuvra::ui {

namespace {
constexpr std::int32_t kBarThickness = 17;
constexpr std::int32_t kEdge = 2;
constexpr std::int32_t kWheelRows = 3;
constexpr std::int32_t kTextIndent = 2;
}  // namespace

ListBox::ListBox(const platform::Rect& bounds, platform::Font* font)
    : Control(bounds),
      m_font(font),
      m_vertical({bounds.right - kEdge - kBarThickness, bounds.top + kEdge, bounds.right - kEdge, bounds.bottom - kEdge},
                 Orientation::Vertical),
      m_horizontal({bounds.left + kEdge, bounds.bottom - kEdge - kBarThickness, bounds.right - kEdge,
                    bounds.bottom - kEdge},
                   Orientation::Horizontal)
{
    if (font != nullptr)
        m_item_height = std::max(1, font->Measure("Ag").height);
    for (ScrollBar* bar : {&m_vertical, &m_horizontal}) {
        bar->SetTakesKeys(false);
        bar->SetRange(0, 0);
        bar->SetVisible(false);
    }
    m_vertical.OnChange = m_vertical.OnScroll = [this] {
        m_top_index = m_vertical.Value();
        Invalidate();
    };
    m_horizontal.OnChange = m_horizontal.OnScroll = [this] { Invalidate(); };
}

platform::Rect ListBox::ItemArea() const
{
    const platform::Rect& b = Bounds();
    platform::Rect area{b.left + kEdge, b.top + kEdge, b.right - kEdge, b.bottom - kEdge};
    if (m_vertical.Visible())
        area.right -= kBarThickness;
    if (m_horizontal.Visible())
        area.bottom -= kBarThickness;
    return area;
}

std::int32_t ListBox::VisibleRows() const
{
    return std::max(1, Height(ItemArea()) / m_item_height);
}

void ListBox::Relayout()
{
    const platform::Rect& b = Bounds();
    const std::int32_t inner_width = Width(b) - 2 * kEdge;
    const std::int32_t inner_height = Height(b) - 2 * kEdge;
    // Each bar narrows the room the other one looks at.
    bool horizontal = m_extent > inner_width;
    const auto rows_for = [&](bool with_horizontal) {
        return std::max(1, (inner_height - (with_horizontal ? kBarThickness : 0)) / m_item_height);
    };
    bool vertical = ListCount() > rows_for(horizontal);
    if (!horizontal && vertical && m_extent > inner_width - kBarThickness) {
        horizontal = true;
        vertical = ListCount() > rows_for(true);
    }
    m_vertical.SetVisible(vertical);
    m_horizontal.SetVisible(horizontal);
    m_vertical.SetBounds({b.right - kEdge - kBarThickness, b.top + kEdge, b.right - kEdge,
                          b.bottom - kEdge - (horizontal ? kBarThickness : 0)});
    m_horizontal.SetBounds({b.left + kEdge, b.bottom - kEdge - kBarThickness,
                            b.right - kEdge - (vertical ? kBarThickness : 0), b.bottom - kEdge});
    const std::int32_t rows = VisibleRows();
    const std::int32_t max_top = std::max(0, ListCount() - rows);
    m_top_index = std::clamp(m_top_index, 0, max_top);
    m_vertical.SetRange(0, max_top);
    m_vertical.SetSteps(1, rows);
    m_vertical.SetPageSize(rows);
    m_vertical.SetValue(m_top_index);
    const std::int32_t view = Width(ItemArea());
    m_horizontal.SetRange(0, std::max(0, m_extent - view));
    m_horizontal.SetSteps(8, std::max(1, view));
    m_horizontal.SetPageSize(std::max(1, view));
    Invalidate();
}

void ListBox::Clear()
{
    m_items.clear();
    m_list_index = -1;
    m_top_index = 0;
    Relayout();
}

void ListBox::AddItem(std::string item)
{
    m_items.push_back(std::move(item));
    // Relayout only sets numbers; nothing is drawn before the next paint.
    Relayout();
}

void ListBox::SetHorizontalExtent(std::int32_t extent)
{
    m_extent = std::max(0, extent);
    Relayout();
}

std::int32_t ListBox::IndexAt(std::int32_t x, std::int32_t y) const
{
    const platform::Rect area = ItemArea();
    if (!Contains(area, x, y))
        return -1;
    const std::int32_t index = m_top_index + (y - area.top) / m_item_height;
    return index < ListCount() ? index : -1;
}

void ListBox::ScrollIntoView(std::int32_t index)
{
    const std::int32_t rows = VisibleRows();
    if (index < m_top_index)
        m_top_index = index;
    else if (index >= m_top_index + rows)
        m_top_index = index - rows + 1;
    m_vertical.SetValue(std::clamp(m_top_index, m_vertical.Min(), m_vertical.Max()));
}

void ListBox::Select(std::int32_t index)
{
    if (ListCount() == 0)
        return;
    index = std::clamp(index, 0, ListCount() - 1);
    m_list_index = index;
    ScrollIntoView(index);
    Invalidate();
    if (OnClick)
        OnClick();
}

void ListBox::MouseDown(const MouseEvent& event)
{
    if (event.button == 1) {
        const std::int32_t index = IndexAt(event.x, event.y);
        if (index >= 0)
            Select(index);
    }
    Control::MouseDown(event);
}

bool ListBox::Wheel(std::int32_t notches)
{
    if (!m_vertical.Visible())
        return true;
    m_top_index = std::clamp(m_top_index - notches * kWheelRows, m_vertical.Min(), m_vertical.Max());
    m_vertical.SetValue(m_top_index);
    Invalidate();
    return true;
}

void ListBox::KeyDown(Key key, bool)
{
    const std::int32_t rows = VisibleRows();
    const std::int32_t current = m_list_index;
    switch (key) {
    case Key::Up:
        Select(current < 0 ? 0 : current - 1);
        break;
    case Key::Down:
        Select(current + 1);
        break;
    case Key::Home:
        Select(0);
        break;
    case Key::End:
        Select(ListCount() - 1);
        break;
    case Key::PageUp:
        Select(current < 0 ? 0 : current - (rows - 1));
        break;
    case Key::PageDown:
        Select(current < 0 ? 0 : current + (rows - 1));
        break;
    case Key::Left:
        m_horizontal.SetValue(std::max(m_horizontal.Min(), m_horizontal.Value() - 8));
        break;
    case Key::Right:
        m_horizontal.SetValue(std::min(m_horizontal.Max(), m_horizontal.Value() + 8));
        break;
    default:
        break;
    }
}

void ListBox::FocusChanged(bool)
{
    Invalidate();
}

void ListBox::Paint(Surface& surface)
{
    const platform::Rect& b = Bounds();
    FillRect(surface, b, colour::kWindow);
    DrawEdge(surface, b, Edge::Sunken);
    if (m_vertical.Visible() && m_horizontal.Visible())
        FillRect(surface, {b.right - kEdge - kBarThickness, b.bottom - kEdge - kBarThickness, b.right - kEdge,
                           b.bottom - kEdge},
                 colour::kFace);
    if (m_font == nullptr)
        return;
    const platform::Rect area = ItemArea();
    Surface inside = surface.Clipped(area);
    const std::int32_t offset = m_horizontal.Visible() ? m_horizontal.Value() : 0;
    for (std::int32_t row = 0; row * m_item_height < Height(area); ++row) {
        const std::int32_t index = m_top_index + row;
        if (index >= ListCount())
            break;
        const platform::Rect line{area.left, area.top + row * m_item_height, area.right,
                                  area.top + (row + 1) * m_item_height};
        const bool selected = index == m_list_index;
        if (selected)
            FillRect(inside, line, HasFocus() ? colour::kSelection : colour::kLight);
        const platform::Rect text_box{area.left + kTextIndent - offset, line.top, area.left + std::max(m_extent, Width(area)),
                                      line.bottom};
        DrawTextLine(inside, *m_font, m_items[static_cast<std::size_t>(index)], text_box, Align::Left,
                     selected && HasFocus() ? colour::kSelectionText : colour::kText, false);
        if (selected && HasFocus())
            FrameRect(inside, line, colour::kLight);
    }
}

}  // namespace nuvra::ui
