// Window messages to the core's typed input, as the Windows window system
// hands them over: keys, text (surrogate pairs included), signed mouse
// positions, wheel notches from fine-grained turns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/win32.h"
#include "platform/windows/win32_input.h"

namespace {

using nuvra::platform::InputEvent;
using nuvra::platform::InputKind;
using nuvra::platform::Key;
using nuvra::platform::MouseButton;
using nuvra::windows_platform::MessageTranslator;

struct Message {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// One event, in words, so a failure shows expected and got side by side.
std::string Describe(const InputEvent& e)
{
    return std::to_string(static_cast<int>(e.kind)) + " key " + std::to_string(static_cast<int>(e.key)) + " button " +
           std::to_string(static_cast<int>(e.button)) + " at " + std::to_string(e.x) + "," + std::to_string(e.y) +
           " wheel " + std::to_string(e.wheel) + " text '" + e.text + "'";
}

InputEvent Expect(InputKind kind, Key key = Key::Other, MouseButton button = MouseButton::None, int x = 0, int y = 0,
                  int wheel = 0, std::string text = {})
{
    InputEvent e;
    e.kind = kind;
    e.window = 7;
    e.key = key;
    e.button = button;
    e.x = x;
    e.y = y;
    e.wheel = wheel;
    e.text = std::move(text);
    return e;
}

LPARAM Position(int x, int y)
{
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

TEST(WindowsInput, MessagesBecomeTheCoresEvents)
{
    struct Case {
        const char* name;
        std::vector<Message> messages;
        std::vector<InputEvent> events;
    };
    const std::vector<Case> cases = {
        {"letter", {{WM_KEYDOWN, 'A', 0}, {WM_KEYUP, 'A', 0}},
         {Expect(InputKind::KeyDown, Key::Character), Expect(InputKind::KeyUp, Key::Character)}},
        {"function key and arrows", {{WM_KEYDOWN, VK_F12, 0}, {WM_KEYDOWN, VK_LEFT, 0}, {WM_KEYDOWN, VK_NEXT, 0}},
         {Expect(InputKind::KeyDown, Key::F12), Expect(InputKind::KeyDown, Key::Left),
          Expect(InputKind::KeyDown, Key::PageDown)}},
        {"Alt comes as a system key", {{WM_SYSKEYDOWN, VK_MENU, 0}, {WM_SYSKEYUP, VK_MENU, 0}},
         {Expect(InputKind::KeyDown, Key::Alt), Expect(InputKind::KeyUp, Key::Alt)}},
        {"numeric pad digit is no Character", {{WM_KEYDOWN, VK_NUMPAD5, 0}}, {Expect(InputKind::KeyDown, Key::Other)}},
        {"text, and control characters are none", {{WM_CHAR, L'a', 0}, {WM_CHAR, 0x08, 0}, {WM_CHAR, L'設', 0}},
         {Expect(InputKind::TextInput, Key::Other, MouseButton::None, 0, 0, 0, "a"),
          Expect(InputKind::TextInput, Key::Other, MouseButton::None, 0, 0, 0, "設")}},
        {"a surrogate pair is one character; a lone low half is none",
         {{WM_CHAR, 0xD83C, 0}, {WM_CHAR, 0xDFB5, 0}, {WM_CHAR, 0xDFB5, 0}},
         {Expect(InputKind::TextInput, Key::Other, MouseButton::None, 0, 0, 0, "🎵")}},
        {"captured mouse left of and above the window",
         {{WM_LBUTTONDOWN, MK_LBUTTON, Position(10, 20)}, {WM_MOUSEMOVE, MK_LBUTTON, Position(-5, -7)},
          {WM_LBUTTONUP, 0, Position(-5, -7)}},
         {Expect(InputKind::MouseDown, Key::Other, MouseButton::Left, 10, 20),
          Expect(InputKind::MouseMove, Key::Other, MouseButton::None, -5, -7),
          Expect(InputKind::MouseUp, Key::Other, MouseButton::Left, -5, -7)}},
        {"right, middle and side buttons",
         {{WM_RBUTTONDOWN, 0, Position(1, 2)}, {WM_MBUTTONUP, 0, Position(3, 4)},
          {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), Position(5, 6)}},
         {Expect(InputKind::MouseDown, Key::Other, MouseButton::Right, 1, 2),
          Expect(InputKind::MouseUp, Key::Other, MouseButton::Middle, 3, 4),
          Expect(InputKind::MouseDown, Key::Other, MouseButton::Other, 5, 6)}},
        {"two half turns make one notch; a turn towards the user is negative",
         {{WM_MOUSEWHEEL, MAKEWPARAM(0, 60), Position(8, 9)}, {WM_MOUSEWHEEL, MAKEWPARAM(0, 60), Position(8, 9)},
          {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), Position(8, 9)}},
         {Expect(InputKind::Wheel, Key::Other, MouseButton::None, 8, 9, 1),
          Expect(InputKind::Wheel, Key::Other, MouseButton::None, 8, 9, -2)}},
        {"size, but not when made an icon",
         {{WM_SIZE, SIZE_RESTORED, Position(549, 481)}, {WM_SIZE, SIZE_MINIMIZED, 0}},
         {Expect(InputKind::Resized, Key::Other, MouseButton::None, 549, 481)}},
        {"focus, drawing and the close box",
         {{WM_SETFOCUS, 0, 0}, {WM_KILLFOCUS, 0, 0}, {WM_PAINT, 0, 0}, {WM_CLOSE, 0, 0}, {WM_TIMER, 1, 0}},
         {Expect(InputKind::FocusGained), Expect(InputKind::FocusLost), Expect(InputKind::Expose),
          Expect(InputKind::Close)}},
    };
    for (const Case& c : cases) {
        MessageTranslator translator;
        std::vector<InputEvent> events;
        for (const Message& m : c.messages)
            translator.Translate(7, m.message, m.wparam, m.lparam, events);
        std::vector<std::string> got;
        std::vector<std::string> expected;
        for (const InputEvent& e : events)
            got.push_back(Describe(e) + (e.window == 7 ? "" : " (another window)"));
        for (const InputEvent& e : c.events)
            expected.push_back(Describe(e));
        EXPECT_EQ(got, expected) << c.name;
    }
}

}  // namespace
