#include "ui/option_group.h"

#include "ui/static_controls.h"

namespace nuvra::ui {

namespace {

platform::Rect Around(const std::vector<GroupItem>& items)
{
    platform::Rect bounds{};
    for (const GroupItem& item : items)
        bounds = Union(Union(bounds, item.picture), item.caption_box);
    return bounds;
}

}  // namespace

OptionGroup::OptionGroup(GroupKind kind, std::vector<GroupItem> items, std::uint32_t buttons)
    : Control(Around(items)),
      m_kind(kind),
      m_items(std::move(items)),
      m_marks(m_items.size(), Mark::None),
      m_press(ActsOn::Press, buttons)
{
}

void OptionGroup::SetPictures(const platform::Canvas* off, const platform::Canvas* on)
{
    m_off = off;
    m_on = on;
    Invalidate();
}

const platform::Canvas* OptionGroup::ItemPicture(std::int32_t index) const
{
    switch (ItemMark(index)) {
    case Mark::Off:
        return m_off;
    case Mark::On:
        return m_on;
    default:
        return nullptr;
    }
}

bool OptionGroup::SetMark(std::int32_t index, Mark mark)
{
    if (index < 0 || index >= Count())
        return false;
    if (m_kind == GroupKind::Options && mark == Mark::On)
        for (Mark& other : m_marks)
            other = Mark::Off;
    m_marks[static_cast<std::size_t>(index)] = mark;
    Invalidate();
    return true;
}

std::int32_t OptionGroup::ItemAt(std::int32_t x, std::int32_t y) const
{
    // A box wins over a neighbour's caption that reaches under it.
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (Contains(m_items[i].picture, x, y))
            return static_cast<std::int32_t>(i);
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (Contains(m_items[i].caption_box, x, y))
            return static_cast<std::int32_t>(i);
    return -1;
}

bool OptionGroup::HitTest(std::int32_t x, std::int32_t y) const
{
    return ItemAt(x, y) >= 0;
}

void OptionGroup::MouseDown(const MouseEvent& event)
{
    const std::int32_t index = ItemAt(event.x, event.y);
    if (m_press.Press(event.button, Now()) && index >= 0) {
        if (m_kind == GroupKind::Options)
            SetMark(index, Mark::On);
        else if (const Mark mark = ItemMark(index); mark != Mark::None)
            SetMark(index, mark == Mark::On ? Mark::Off : Mark::On);
        if (OnPress)
            OnPress(index);
    }
    Control::MouseDown(event);
}

void OptionGroup::MouseUp(const MouseEvent& event)
{
    m_press.Release(event.button, HitTest(event.x, event.y));
    Control::MouseUp(event);
}

void OptionGroup::Paint(Surface& surface)
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const GroupItem& item = m_items[i];
        const platform::Canvas* picture = ItemPicture(static_cast<std::int32_t>(i));
        if (picture != nullptr && picture->width > 0 && picture->height > 0)
            StretchImage(surface, item.picture, *picture, {0, 0, picture->width, picture->height});
        if (item.font != nullptr && !item.caption.empty())
            DrawCaption(surface, *item.font, item.caption, item.caption_box, {Align::Left, colour::kText, false, !Enabled()});
    }
}

}  // namespace nuvra::ui
