// An editable drop-down combo box: a text field with a caret and the button
// that opens the list of entries under it. Typing, Backspace, Delete, Left,
// Right, Home and End edit the text while it has the focus, scrolled so that
// the caret stays in sight; Up and Down take
// the previous or next entry; F4 or Alt+Down open and close the list; in the
// open list a press (or Enter) takes an entry and a press anywhere else, or
// Escape, closes it. Choosing an entry only sets the text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/font.h"
#include "ui/control.h"
#include "ui/scroll_bar.h"

namespace nuvra::ui {

class ComboBox final : public Control {
public:
    ComboBox(const platform::Rect& bounds, platform::Font* font);

    const std::string& Text() const { return m_text; }
    void SetText(std::string text);
    void AddItem(std::string item);
    std::int32_t ListCount() const { return static_cast<std::int32_t>(m_items.size()); }
    const std::string& List(std::int32_t index) const { return m_items.at(static_cast<std::size_t>(index)); }
    bool DroppedDown() const { return m_dropped; }
    void SetDroppedDown(bool dropped);
    // Byte offset of the caret in the text.
    std::size_t Caret() const { return m_caret; }

    void Paint(Surface& surface) override;
    bool TakesKeys() const override { return true; }
    void MouseDown(const MouseEvent& event) override;
    void MouseUp(const MouseEvent& event) override;
    void MouseMove(const MouseEvent& event) override;
    bool Wheel(std::int32_t notches) override;
    void KeyDown(Key key, bool alt) override;
    void TextInput(std::string_view text) override;
    void FocusChanged(bool focused) override;
    std::optional<platform::Rect> Popup() const override;
    void PaintPopup(Surface& surface) override;
    void ClosePopup() override { SetDroppedDown(false); }
    // The open list's scroll bar: the host draws it over the list and gives
    // it the mouse there itself.
    std::vector<Control*> Parts() override { return {&m_bar}; }

    platform::Rect ButtonRect() const;

private:
    platform::Rect PopupRect() const;
    platform::Rect PopupItems() const;
    std::int32_t PopupRows() const;
    void TakeEntry(std::int32_t index);
    // Up (-1) or down (1) one entry from the open list's hot entry, or from
    // the entry the text names when the list is closed.
    void StepEntry(int step);
    std::size_t CaretAt(std::int32_t x) const;
    std::int32_t TextLeft() const;
    platform::Rect FieldRect() const;
    void ScrollToCaret();

    platform::Font* m_font;
    std::string m_text;
    std::vector<std::string> m_items;
    std::size_t m_caret = 0;
    std::int32_t m_scroll = 0;  // pixels of the text scrolled out at the left
    bool m_dropped = false;
    bool m_button_down = false;
    std::int32_t m_hot = -1;  // the entry under the pointer in the open list
    std::int32_t m_top = 0;
    std::int32_t m_item_height = 13;
    ScrollBar m_bar;
};

}  // namespace nuvra::ui
