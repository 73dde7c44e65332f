#include <gtest/gtest.h>

#include "support/fake_dialog_services.h"
#include "ui/combo_box.h"
#include "ui/control.h"
#include "ui/list_box.h"
#include "ui/option_group.h"
#include "ui/push_button.h"
#include "ui/scroll_bar.h"
#include "ui/static_controls.h"

namespace nuvra::ui {
namespace {

platform::InputEvent Event(platform::InputKind kind, std::int32_t x, std::int32_t y, std::uint32_t button = 1)
{
    platform::InputEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.button = static_cast<platform::MouseButton>(button);
    return event;
}

platform::InputEvent KeyEvent(Key key)
{
    platform::InputEvent event;
    event.kind = platform::InputKind::KeyDown;
    event.key = key;
    return event;
}

struct Host {
    Host() : host([this](Surface& surface) {
        ++backgrounds;
        FillRect(surface, {0, 0, 1000, 1000}, 0x123456);
    })
    {
    }
    void Press(std::int32_t x, std::int32_t y, std::uint32_t button = 1)
    {
        host.Input(Event(platform::InputKind::MouseDown, x, y, button));
    }
    void Release(std::int32_t x, std::int32_t y, std::uint32_t button = 1)
    {
        host.Input(Event(platform::InputKind::MouseUp, x, y, button));
    }
    void Move(std::int32_t x, std::int32_t y) { host.Input(Event(platform::InputKind::MouseMove, x, y, 0)); }
    void Click(std::int32_t x, std::int32_t y)
    {
        Press(x, y);
        Release(x, y);
    }
    void Key(ui::Key key) { host.Input(KeyEvent(key)); }
    void Type(const std::string& text)
    {
        platform::InputEvent event;
        event.kind = platform::InputKind::TextInput;
        event.text = text;
        host.Input(event);
    }

    int backgrounds = 0;
    ControlHost host;
    test::FakeFont font;
};

TEST(ControlHostTest, APressCapturesTheMouseAndOnlyEnabledControlsTakeIt)
{
    Host h;
    Label under({0, 0, 100, 20}, nullptr);
    Label over({50, 0, 150, 20}, nullptr);
    std::vector<std::string> seen;
    under.OnMouseDown = [&](const MouseEvent&) { seen.push_back("under down"); };
    over.OnMouseDown = [&](const MouseEvent& e) { seen.push_back("over down " + std::to_string(e.button)); };
    over.OnMouseUp = [&](const MouseEvent& e) { seen.push_back("over up at " + std::to_string(e.x)); };
    h.host.Add(under);
    h.host.Add(over);

    h.Press(60, 10, 2);   // the later control lies on top
    h.Release(900, 10, 2);  // released far outside: still the pressed control's
    h.Click(10, 10);
    over.SetEnabled(false);
    h.Click(60, 10);  // a disabled control takes nothing, nor passes it on
    EXPECT_EQ(seen, (std::vector<std::string>{"over down 2", "over up at 900", "under down"}));
    // Labels never take the focus.
    EXPECT_EQ(h.host.Focus(), nullptr);
}

TEST(ControlHostTest, RepaintsOnlyWhatChangedAndNothingOutsideIt)
{
    Host h;
    platform::Canvas canvas{200, 50, std::vector<std::uint32_t>(200 * 50, 0)};
    Label label({10, 10, 60, 30}, &h.font, "abc");
    h.host.Add(label);
    ASSERT_TRUE(h.host.Paint(canvas));
    EXPECT_FALSE(h.host.Paint(canvas));  // nothing new
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), 0);
    label.SetCaption("abcdefghijklmnop");  // wider than the label: clipped to it
    const auto painted = h.host.Paint(canvas);
    ASSERT_TRUE(painted);
    for (std::int32_t y = 0; y < 50; ++y)
        for (std::int32_t x = 0; x < 200; ++x) {
            const bool inside = x >= 10 && x < 60 && y >= 10 && y < 30;
            if (!inside) {
                ASSERT_EQ(canvas.pixels[static_cast<std::size_t>(y * 200 + x)], 0u) << x << "," << y;
            }
        }
    EXPECT_EQ(canvas.pixels[static_cast<std::size_t>(15 * 200 + 58)], colour::kText);
}

TEST(ScrollBarTest, ArrowsTrackDragAndKeysMoveWithinTheRange)
{
    Host h;
    ScrollBar bar({0, 0, 89, 17}, Orientation::Horizontal);
    bar.SetRange(10, 60);
    bar.SetSteps(1, 10);
    EXPECT_FALSE(bar.SetValue(61));
    EXPECT_FALSE(bar.SetValue(9));
    EXPECT_TRUE(bar.SetValue(10));
    int changes = 0;
    int scrolls = 0;
    bar.OnChange = [&] { ++changes; };
    bar.OnScroll = [&] { ++scrolls; };
    h.host.Add(bar);

    h.Click(80, 8);  // right arrow
    EXPECT_EQ(bar.Value(), 11);
    h.Click(5, 8);
    h.Click(5, 8);  // left arrow at the minimum: no change
    EXPECT_EQ(bar.Value(), 10);
    EXPECT_EQ(changes, 2);
    h.Click(bar.ThumbRect().right + 3, 8);
    EXPECT_EQ(bar.Value(), 20);
    h.Click(bar.ThumbRect().left - 2, 8);
    EXPECT_EQ(bar.Value(), 10);

    // Holding an arrow repeats after a pause, once per tick at the rate.
    changes = 0;
    h.host.Tick(1000);
    h.Press(80, 8);
    h.host.Tick(1100);
    EXPECT_EQ(bar.Value(), 11);
    h.host.Tick(1400);
    h.host.Tick(1450);
    EXPECT_EQ(bar.Value(), 13);
    h.Release(80, 8);
    h.host.Tick(2000);
    EXPECT_EQ(bar.Value(), 13);

    // A drag reports every new value and one change when let go.
    changes = 0;
    const platform::Rect thumb = bar.ThumbRect();
    h.Press(thumb.left + 3, 8);
    h.host.Input(Event(platform::InputKind::MouseMove, thumb.left + 13, 8));
    h.host.Input(Event(platform::InputKind::MouseMove, 500, 8));
    EXPECT_EQ(bar.Value(), 60);
    EXPECT_EQ(scrolls, 2);
    EXPECT_EQ(changes, 0);
    h.Release(500, 8);
    EXPECT_EQ(changes, 1);

    // Keys, once it has the focus.
    EXPECT_EQ(h.host.Focus(), &bar);
    const std::pair<Key, std::int32_t> keys[] = {
        {Key::Home, 10}, {Key::Right, 11}, {Key::PageDown, 21}, {Key::Left, 20}, {Key::End, 60}, {Key::PageUp, 50},
    };
    for (const auto& [code, value] : keys) {
        h.Key(code);
        EXPECT_EQ(bar.Value(), value) << "key " << static_cast<int>(code);
    }
}

TEST(ListBoxTest, SelectsByMouseAndKeysAndScrollsToShowTheSelection)
{
    Host h;
    ListBox list({0, 0, 169, 212}, &h.font);
    for (int i = 0; i < 40; ++i)
        list.AddItem("picture" + std::to_string(i) + ".jpg");
    list.SetHorizontalExtent(311);
    int clicks = 0;
    list.OnClick = [&] { ++clicks; };
    h.host.Add(list);
    // 212 - 4 (edges) - 17 (the horizontal bar) leaves 14 rows of 13.
    EXPECT_EQ(list.VisibleRows(), 14);

    h.Click(20, 2 + 13 * 3 + 5);
    EXPECT_EQ(list.ListIndex(), 3);
    EXPECT_EQ(h.host.Focus(), &list);
    const std::pair<Key, std::int32_t> keys[] = {
        {Key::Down, 4}, {Key::Up, 3}, {Key::PageDown, 16}, {Key::End, 39}, {Key::PageUp, 26}, {Key::Home, 0},
    };
    for (const auto& [code, index] : keys) {
        h.Key(code);
        EXPECT_EQ(list.ListIndex(), index) << "key " << static_cast<int>(code);
        EXPECT_GE(index, list.TopIndex());
        EXPECT_LT(index, list.TopIndex() + list.VisibleRows());
    }
    EXPECT_EQ(clicks, 7);

    platform::InputEvent wheel = Event(platform::InputKind::Wheel, 20, 20);
    wheel.wheel = -2;  // towards the user: down the list
    h.host.Input(wheel);
    EXPECT_EQ(list.TopIndex(), 6);
    h.Key(Key::Right);
    EXPECT_EQ(list.HorizontalOffset(), 8);

    list.Clear();
    EXPECT_EQ(list.ListIndex(), -1);
    h.Click(20, 20);  // no entry there any more
    EXPECT_EQ(clicks, 7);
}

TEST(ComboBoxTest, EditsItsTextAndTakesEntriesFromItsList)
{
    Host h;
    ComboBox combo({200, 372, 241, 393}, &h.font);
    for (int i = 0; i <= 30; ++i)
        combo.AddItem(i == 0 ? "" : std::to_string(i));
    combo.SetText("1ﾘ2");
    h.host.Add(combo);

    h.Click(203, 380);  // the text field: focus, caret at the start
    EXPECT_EQ(h.host.Focus(), &combo);
    EXPECT_EQ(combo.Caret(), 0u);
    h.Key(Key::Right);
    h.Key(Key::Delete);  // the three-byte katakana goes whole
    EXPECT_EQ(combo.Text(), "12");
    h.Key(Key::End);
    h.Type("x");
    h.Key(Key::Left);
    h.Key(Key::Backspace);
    EXPECT_EQ(combo.Text(), "1x");
    h.Key(Key::Home);
    h.Type("9");
    EXPECT_EQ(combo.Text(), "91x");

    // The button opens the list under the box; a press on an entry takes it.
    const platform::Rect button = combo.ButtonRect();
    h.Click(button.left + 3, button.top + 3);
    ASSERT_TRUE(combo.DroppedDown());
    const platform::Rect popup = *combo.Popup();
    EXPECT_EQ(popup.top, 393);
    h.Click(205, popup.top + 1 + 13 * 2 + 4);  // the third entry: "2"
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_EQ(combo.Text(), "2");

    // Keys: Down takes the next entry; F4 opens, Escape closes.
    h.Key(Key::Down);
    EXPECT_EQ(combo.Text(), "3");
    h.Key(Key::F4);
    EXPECT_TRUE(combo.DroppedDown());
    h.Key(Key::Down);
    h.Key(Key::Return);
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_EQ(combo.Text(), "4");
    h.Key(Key::F4);
    h.Key(Key::Escape);
    EXPECT_FALSE(combo.DroppedDown());

    // A press elsewhere while open only closes the list.
    Label other({0, 0, 50, 20}, nullptr);
    int pressed = 0;
    other.OnMouseDown = [&](const MouseEvent&) { ++pressed; };
    h.host.Add(other);
    h.Click(button.left + 3, button.top + 3);
    ASSERT_TRUE(combo.DroppedDown());
    h.Click(10, 10);
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_EQ(pressed, 0);
    h.Click(10, 10);
    EXPECT_EQ(pressed, 1);
}

TEST(ComboBoxTest, ScrollsItsTextToKeepTheCaretInSight)
{
    Host h;
    ComboBox combo({200, 372, 241, 393}, &h.font);  // 18 pixels of text room: two and a half digits
    h.host.Add(combo);
    platform::Canvas canvas{300, 420, std::vector<std::uint32_t>(300 * 420, 0)};
    const std::int32_t field_right = combo.ButtonRect().left;
    const std::int32_t line_top = 376;  // the 13-pixel line in the middle of the field
    // The caret is the one column of the field drawn from the line's top
    // row (the fake font leaves its cells' edges blank); -1 when none.
    auto caret_column = [&] {
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), 0x777777u);
        combo.Invalidate();
        h.host.Paint(canvas);
        for (std::int32_t x = 200; x < field_right; ++x)
            if (canvas.pixels[static_cast<std::size_t>(line_top * 300 + x)] == colour::kText)
                return x;
        return -1;
    };

    h.Click(210, 380);
    h.Type("99999");
    // At the end: the last digit whole, the caret just after it, inside.
    EXPECT_EQ(caret_column(), field_right - 1);
    EXPECT_EQ(canvas.pixels[static_cast<std::size_t>((line_top + 5) * 300 + field_right - 3)], colour::kText);
    h.Key(Key::Home);
    EXPECT_EQ(caret_column(), 204);
    h.Key(Key::End);
    h.Key(Key::Backspace);
    h.Key(Key::Backspace);
    h.Key(Key::Backspace);  // "99" fits again: nothing stays scrolled away
    EXPECT_EQ(caret_column(), 204 + 14);
}

TEST(ComboBoxTest, AHeldArrowOfItsListRepeats)
{
    Host h;
    ComboBox combo({200, 372, 241, 393}, &h.font);
    for (int i = 0; i <= 30; ++i)
        combo.AddItem(i == 0 ? "" : std::to_string(i));
    h.host.Add(combo);
    h.host.Tick(1000);
    const platform::Rect button = combo.ButtonRect();
    h.Click(button.left + 3, button.top + 3);
    const platform::Rect popup = *combo.Popup();
    const platform::Point down_arrow{popup.right - 5, popup.bottom - 5};
    auto first_row_taken = [&] {
        // The first row shown is the entry a press on it takes.
        h.Click(205, popup.top + 3);
        const std::string text = combo.Text();
        h.Click(button.left + 3, button.top + 3);
        return text;
    };

    h.Press(down_arrow.x, down_arrow.y);
    for (std::uint64_t now = 1100; now <= 1600; now += 50)
        h.host.Tick(now);  // one step at the press, then one per tick after the pause
    h.Release(down_arrow.x, down_arrow.y);
    EXPECT_EQ(first_row_taken(), "7");
}

// The mouse as a script: d press, u release, m move, x disable the control.
struct MouseStep {
    char what;
    std::int32_t x;
    std::int32_t y;
    std::uint32_t button;
};

void Play(Host& h, Control& control, const MouseStep& step)
{
    switch (step.what) {
    case 'd':
        h.Press(step.x, step.y, step.button);
        break;
    case 'u':
        h.Release(step.x, step.y, step.button);
        break;
    case 'm':
        h.Move(step.x, step.y);
        break;
    default:
        control.SetEnabled(false);
        break;
    }
}

TEST(PushButtonTest, TheFaceIsDownExactlyWhileLettingGoWouldActAndAPressActsOnce)
{
    // A 95 x 22 face whose caption box, 4 pixels down, is what takes the
    // mouse: (40, 10) is on the caption, (40, 2) on the face above it.
    constexpr std::int32_t kOnX = 40, kOnY = 10, kFaceX = 40, kFaceY = 2, kFar = 300;
    struct Case {
        const char* name;
        ActsOn acts_on;
        std::uint32_t buttons;
        std::vector<MouseStep> steps;
        const char* faces;  // after each step: P pressed, R released
        int clicks;
    };
    const Case cases[] = {
        {"released on it", ActsOn::ReleaseInside, mouse::kLeft, {{'d', kOnX, kOnY, 1}, {'u', kOnX, kOnY, 1}}, "PR", 1},
        {"leaves and comes back", ActsOn::ReleaseInside, mouse::kLeft,
         {{'d', kOnX, kOnY, 1}, {'m', kFaceX, kFaceY, 0}, {'m', kOnX, kOnY, 0}, {'u', kOnX, kOnY, 1}}, "PRPR", 1},
        {"released away from it", ActsOn::ReleaseInside, mouse::kLeft,
         {{'d', kOnX, kOnY, 1}, {'m', kFar, kFar, 0}, {'u', kFar, kFar, 1}}, "PRR", 0},
        {"committed at the press", ActsOn::ReleaseAnywhere, mouse::kAnyButton,
         {{'d', kOnX, kOnY, 2}, {'m', kFar, kFar, 0}, {'u', kFar, kFar, 2}}, "PPR", 1},
        {"a second button joins the press", ActsOn::ReleaseAnywhere, mouse::kAnyButton,
         {{'d', kOnX, kOnY, 1}, {'d', kOnX, kOnY, 2}, {'u', kOnX, kOnY, 2}, {'u', kOnX, kOnY, 1}}, "PPPR", 1},
        {"a button it does not take", ActsOn::ReleaseInside, mouse::kLeft,
         {{'d', kOnX, kOnY, 2}, {'u', kOnX, kOnY, 2}}, "RR", 0},
        {"the face beside the caption", ActsOn::ReleaseAnywhere, mouse::kAnyButton,
         {{'d', kFaceX, kFaceY, 1}, {'u', kFaceX, kFaceY, 1}}, "RR", 0},
        {"disabled", ActsOn::ReleaseAnywhere, mouse::kAnyButton,
         {{'x', 0, 0, 0}, {'d', kOnX, kOnY, 1}, {'u', kOnX, kOnY, 1}}, "RRR", 0},
        {"disabled while held", ActsOn::ReleaseAnywhere, mouse::kAnyButton,
         {{'d', kOnX, kOnY, 1}, {'x', 0, 0, 0}, {'u', kOnX, kOnY, 1}}, "PRR", 0},
    };
    const platform::Canvas released{1, 1, {0x111111}};
    const platform::Canvas pressed{1, 1, {0x222222}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Host h;
        PushButton button({0, 0, 95, 22}, {0, 4, 93, 21}, &h.font, "OK", k.acts_on, k.buttons);
        button.SetFaces(&released, &pressed);
        std::vector<const platform::Canvas*> faces_at_click;
        button.OnClick = [&] { faces_at_click.push_back(button.Face()); };
        h.host.Add(button);
        std::string faces;
        for (const MouseStep& step : k.steps) {
            Play(h, button, step);
            faces += button.Face() == &pressed ? 'P' : button.Face() == &released ? 'R' : '?';
        }
        EXPECT_EQ(faces, k.faces);
        EXPECT_EQ(static_cast<int>(faces_at_click.size()), k.clicks);
        for (const platform::Canvas* face : faces_at_click)
            EXPECT_EQ(face, &released) << "the action ran with the face still down";
    }
}

TEST(OptionGroupTest, APressSelectsOneOptionOrFlipsOneCheckBox)
{
    // Three items down the left: a 13 x 13 picture, a caption 3 pixels
    // right of it; (14, 25) lies between the second's picture and caption.
    std::vector<GroupItem> items;
    for (std::int32_t i = 0; i < 3; ++i)
        items.push_back({{0, 20 * i, 13, 20 * i + 13}, {16, 20 * i, 60, 20 * i + 13}, "item", nullptr});
    struct Case {
        const char* name;
        GroupKind kind;
        const char* marks_before;  // . none, o off or clear, X on or ticked
        std::vector<MouseStep> steps;
        const char* marks_after;
        std::vector<std::int32_t> pressed;  // OnPress's indexes
        int through;                        // presses the control under the group took
    };
    const Case cases[] = {
        {"the right button on a caption", GroupKind::Options, "...", {{'d', 30, 25, 2}, {'u', 30, 25, 2}}, "oXo", {1}, 0},
        {"another option, then again", GroupKind::Options, "Xoo",
         {{'d', 5, 45, 1}, {'u', 5, 45, 1}, {'d', 30, 45, 4}, {'u', 30, 45, 4}}, "ooX", {2, 2}, 0},
        {"between picture and caption", GroupKind::Options, "Xoo", {{'d', 14, 25, 1}, {'u', 14, 25, 1}}, "Xoo", {}, 1},
        {"boxes flip on their own", GroupKind::CheckBoxes, "XoX",
         {{'d', 5, 5, 1}, {'u', 5, 5, 1}, {'d', 30, 25, 2}, {'u', 30, 25, 2}}, "oXX", {0, 1}, 0},
        {"a box never marked stays so", GroupKind::CheckBoxes, ".Xo", {{'d', 5, 5, 1}, {'u', 5, 5, 1}}, ".Xo", {0}, 0},
        {"two buttons flip a box once", GroupKind::CheckBoxes, "ooo",
         {{'d', 5, 5, 1}, {'d', 5, 5, 2}, {'u', 5, 5, 2}, {'u', 5, 5, 1}}, "Xoo", {0}, 0},
    };
    const auto marks = [](const OptionGroup& group) {
        std::string text;
        for (std::int32_t i = 0; i < group.Count(); ++i)
            text += group.ItemMark(i) == Mark::On ? 'X' : group.ItemMark(i) == Mark::Off ? 'o' : '.';
        return text;
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Host h;
        Label under({0, 0, 100, 100}, nullptr);
        int through = 0;
        under.OnMouseDown = [&](const MouseEvent&) { ++through; };
        OptionGroup group(k.kind, items, mouse::kAnyButton);
        for (std::int32_t i = 0; i < 3; ++i) {
            const char mark = k.marks_before[i];
            if (mark != '.')
                group.SetMark(i, mark == 'X' ? Mark::On : Mark::Off);
        }
        std::vector<std::int32_t> pressed;
        group.OnPress = [&](std::int32_t index) { pressed.push_back(index); };
        h.host.Add(under);
        h.host.Add(group);
        for (const MouseStep& step : k.steps)
            Play(h, group, step);
        EXPECT_EQ(marks(group), k.marks_after);
        EXPECT_EQ(pressed, k.pressed);
        EXPECT_EQ(through, k.through);
    }
}

TEST(CanvasDrawTest, StretchingTakesThePixelUnderEachCentreAndEdgesUseTheSystemColours)
{
    platform::Canvas source{4, 1, {1, 2, 3, 4}};
    platform::Canvas target{8, 1, std::vector<std::uint32_t>(8, 0)};
    Surface surface(target);
    StretchImage(surface, {0, 0, 8, 1}, source, {0, 0, 4, 1});
    EXPECT_EQ(target.pixels, (std::vector<std::uint32_t>{1, 1, 2, 2, 3, 3, 4, 4}));
    platform::Canvas small{3, 1, std::vector<std::uint32_t>(3, 0)};
    Surface small_surface(small);
    StretchImage(small_surface, {0, 0, 3, 1}, target, {0, 0, 8, 1});
    EXPECT_EQ(small.pixels, (std::vector<std::uint32_t>{1, 3, 4}));  // centres 1.3, 4 and 6.7

    platform::Canvas box{6, 6, std::vector<std::uint32_t>(36, 7)};
    Surface box_surface(box);
    DrawEdge(box_surface, {0, 0, 6, 6}, Edge::Raised);
    EXPECT_EQ(box.pixels[0], colour::kLight);
    EXPECT_EQ(box.pixels[7], colour::kHighlight);
    EXPECT_EQ(box.pixels[35], colour::kDarkShadow);
    EXPECT_EQ(box.pixels[28], colour::kShadow);
    EXPECT_EQ(box.pixels[14], 7u);  // the inside is left alone
}

}  // namespace
}  // namespace nuvra::ui
