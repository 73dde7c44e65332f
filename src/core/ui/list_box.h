// A single-selection list box: white, sunken edge, one line per entry, a
// vertical scroll bar when the entries do not fit and a horizontal one when
// the scroll extent is wider than the list. A press on an entry selects it;
// the wheel scrolls; Up, Down, Home, End, PgUp and PgDn move the selection
// while the list has the focus. Click runs after every selection by mouse or
// key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/font.h"
#include "ui/control.h"
#include "ui/scroll_bar.h"

namespace nuvra::ui {

class ListBox final : public Control {
public:
    ListBox(const platform::Rect& bounds, platform::Font* font);

    void Clear();
    void AddItem(std::string item);
    std::int32_t ListCount() const { return static_cast<std::int32_t>(m_items.size()); }
    const std::string& List(std::int32_t index) const { return m_items.at(static_cast<std::size_t>(index)); }
    // -1 when nothing is selected.
    std::int32_t ListIndex() const { return m_list_index; }
    std::int32_t TopIndex() const { return m_top_index; }
    // LB_SETHORIZONTALEXTENT: the width the entries may be scrolled over.
    void SetHorizontalExtent(std::int32_t extent);
    std::int32_t HorizontalOffset() const { return m_horizontal.Value(); }
    std::int32_t ItemHeight() const { return m_item_height; }
    std::int32_t VisibleRows() const;

    std::function<void()> OnClick;

    void Paint(Surface& surface) override;
    bool TakesKeys() const override { return true; }
    void MouseDown(const MouseEvent& event) override;
    bool Wheel(std::int32_t notches) override;
    void KeyDown(Key key, bool alt) override;
    void FocusChanged(bool focused) override;
    std::vector<Control*> Parts() override { return {&m_vertical, &m_horizontal}; }

    // The entry at a point of the window, or -1.
    std::int32_t IndexAt(std::int32_t x, std::int32_t y) const;

private:
    platform::Rect ItemArea() const;
    void Select(std::int32_t index);
    void ScrollIntoView(std::int32_t index);
    void Relayout();

    platform::Font* m_font;
    std::vector<std::string> m_items;
    std::int32_t m_list_index = -1;
    std::int32_t m_top_index = 0;
    std::int32_t m_extent = 0;
    std::int32_t m_item_height = 13;
    ScrollBar m_vertical;
    ScrollBar m_horizontal;
};

}  // namespace nuvra::ui
