// Skinned options and check boxes: a group of items, each a small picture
// with a caption beside it; the picture shows the item's mark. A press on
// an item's picture or caption acts at once, on the press (ButtonBehavior's
// ActsOn::Press: one press acts once, however many buttons join it):
//
//   GroupKind::Options     the pressed item becomes the selected one and
//                          every other item shows unselected; pressing the
//                          selected item again keeps it so.
//   GroupKind::CheckBoxes  the pressed item flips between clear and ticked
//                          on its own.
//
// OnPress runs after the marks have changed. An item the program has not
// marked yet shows no picture at all (Mark::None); a check box left so has
// no state to flip, and a press leaves it unmarked. The gaps between items
// take no mouse.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/font.h"
#include "ui/button_behavior.h"
#include "ui/control.h"

namespace nuvra::ui {

enum class GroupKind { Options, CheckBoxes };
// Off: not selected, or clear; On: selected, or ticked.
enum class Mark { None, Off, On };

struct GroupItem {
    platform::Rect picture;
    platform::Rect caption_box;
    std::string caption;
    platform::Font* font = nullptr;  // null: the caption is not written
};

class OptionGroup final : public Control {
public:
    // buttons: the mouse buttons that press an item.
    OptionGroup(GroupKind kind, std::vector<GroupItem> items, std::uint32_t buttons = mouse::kLeft);

    // The pictures of an Off and an On item, which must outlive the group.
    void SetPictures(const platform::Canvas* off, const platform::Canvas* on);
    std::int32_t Count() const { return static_cast<std::int32_t>(m_items.size()); }
    const GroupItem& Item(std::int32_t index) const { return m_items.at(static_cast<std::size_t>(index)); }
    Mark ItemMark(std::int32_t index) const { return m_marks.at(static_cast<std::size_t>(index)); }
    // The picture item index shows now, or null.
    const platform::Canvas* ItemPicture(std::int32_t index) const;
    // False, and nothing changes, for an index no item has. Marking an
    // option On marks every other option Off.
    bool SetMark(std::int32_t index, Mark mark);

    std::function<void(std::int32_t index)> OnPress;

    void Paint(Surface& surface) override;
    bool HitTest(std::int32_t x, std::int32_t y) const override;
    void MouseDown(const MouseEvent& event) override;
    void MouseUp(const MouseEvent& event) override;
    void CaptureLost() override { m_press.Cancel(); }

    // The item whose picture or caption is at (x, y) of the window, or -1.
    std::int32_t ItemAt(std::int32_t x, std::int32_t y) const;

private:
    GroupKind m_kind;
    std::vector<GroupItem> m_items;
    std::vector<Mark> m_marks;
    const platform::Canvas* m_off = nullptr;
    const platform::Canvas* m_on = nullptr;
    ButtonBehavior m_press;
};

}  // namespace nuvra::ui
