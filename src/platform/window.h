// Windows, their canvas, input and the pointer.
//
// The core draws every pixel itself into a Canvas (32-bit 0x00RRGGBB) and asks
// the window to present it; the backend only copies pixels and translates its
// native events into InputEvent, with keys and mouse buttons in the typed
// vocabulary below (each backend maps its own codes once).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace nuvra::platform {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct Canvas {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;  // row-major, top row first, 0x00RRGGBB
};

enum class WindowStyle {
    Fullscreen,  // borderless, black, topmost, covers the primary display
    Dialog,      // framed, titled, not in the task bar
    Child,       // a child of a foreign window (the preview pane), at bounds inside it
    Foreign,     // the foreign window itself, drawn into as it is (a screen-saver daemon's)
};

// The layer of the desktop a show drawn over one monitor stands on
// (WindowSystem::Monitors): Overlay above every window, taking the keyboard;
// Background under them, taking no input at all. None: an ordinary window.
enum class SurfaceLayer { None, Overlay, Background };

struct WindowRequest {
    std::string title;
    WindowStyle style = WindowStyle::Dialog;
    Rect bounds;                           // outer rectangle in screen pixels (in the parent's client area for Child)
    // Native handle of the parent (Child), of the window itself (Foreign;
    // none: the root window), or of the window that owns a Dialog, which
    // then stays in front of it (none: no owner).
    std::optional<std::int64_t> parent;
    // A surface on a layer of the desktop, covering the monitor whose handle
    // is in parent (a window system with Monitors only).
    SurfaceLayer layer = SurfaceLayer::None;
};

enum class InputKind {
    MouseDown,
    MouseUp,
    MouseMove,
    KeyDown,
    KeyUp,
    Wheel,
    TextInput,    // text typed, UTF-8, after the key events that made it
    FocusGained,  // the window took the keyboard focus
    FocusLost,
    Expose,       // part of the window must be drawn again
    Resized,      // the window's client size changed (a foreign window's too)
    Close,        // the close box, or the process is asked to end (window 0)
    HostGone,     // the window went with the window it was in or drawn into
                  // (the preview pane, a daemon's window): nothing shows any more
};

// The keys the program tells apart; every other key still arrives, as Other
// (any key ends the show). Letters and digits arrive as Character, their
// text as a TextInput event.
enum class Key : std::uint8_t {
    Other,
    Character,
    Backspace,
    Tab,
    Return,
    Shift,
    Control,
    Alt,
    Escape,
    Space,
    PageUp,
    PageDown,
    End,
    Home,
    Left,
    Up,
    Right,
    Down,
    Insert,
    Delete,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
};

// Mouse buttons, as flags: a set of held buttons is their bitwise or.
enum class MouseButton : std::uint32_t {
    None = 0,
    Left = 1,
    Right = 2,
    Middle = 4,
    Other = 8,
};

constexpr std::uint32_t ButtonFlag(MouseButton button)
{
    return static_cast<std::uint32_t>(button);
}

struct InputEvent {
    InputKind kind = InputKind::MouseMove;
    // The native handle of the window the event belongs to; 0 for events of
    // the whole process (a termination request).
    std::int64_t window = 0;
    std::int32_t x = 0;  // client coordinates for mouse events; the new size for Resized
    std::int32_t y = 0;
    MouseButton button = MouseButton::None;  // mouse button events
    Key key = Key::Other;                    // key events
    std::int32_t wheel = 0;      // notches, positive away from the user
    std::string text;            // TextInput only
};

// A pointer shape of the program's own: 0xAARRGGBB pixels (alpha 0 is
// transparent, 255 opaque), row-major, top row first, and its hot spot.
struct PointerImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
    Point hot_spot;
};

// The pixels first..end - 1 of one row. same_as, when not -1, names a row
// above this one (a stored row after it) with the same span and the same
// pixels in it this frame, so a backend may copy what it made of that row.
struct RowSpan {
    std::int32_t first = 0;
    std::int32_t end = 0;
    std::int32_t same_as = -1;
};

// Which pixels of an IndexedImage may differ from the last one presented in
// the same window at the same place.
enum class ImageChange {
    All,   // a new picture or colour table: every pixel
    Rows,  // only those in changed_rows; the rest are as last time
    None,  // the very pixels of last time
};

// An 8-bit picture as the renderer holds it: a DIB's rows (bottom first),
// one byte a pixel, and its colour table. The core says what changed since
// the last frame, so a backend that keeps the last frame on its side (the
// X server's shared image) converts and sends only that.
struct IndexedImage {
    const std::uint8_t* pixels = nullptr;
    std::int32_t bytes_per_row = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const std::uint32_t* palette = nullptr;  // 0x00RRGGBB
    std::size_t palette_size = 0;            // indexes past it show black
    ImageChange change = ImageChange::All;
    // For Rows: a span per stored row (bottom row first, as pixels), empty
    // where nothing changed, and the box around them all in the picture's
    // own coordinates (top row 0).
    std::span<const RowSpan> changed_rows;
    Rect changed_box;
    // Every row reads the same from both ends (pixel x equals pixel
    // width - 1 - x), as the kaleidoscope's frames do: a backend may convert
    // half of a row and mirror the rest.
    bool rows_mirrored = false;
};

// How far apart the show's frames come: each stays on screen for
// refreshes_per_frame refreshes of the display, frame_period in all. Where
// a present cannot wait for the refresh, frame_period alone keeps the beat.
struct FramePacing {
    std::int32_t refreshes_per_frame = 1;
    std::chrono::microseconds frame_period{16667};
};

class Window {
public:
    virtual ~Window() = default;
    virtual std::int64_t NativeHandle() const = 0;
    // The window's rectangle in screen pixels as it is now (for a foreign
    // window: its size as its owner made it). Forms take their size from
    // here, never from the screen.
    virtual Rect Bounds() const = 0;
    virtual void SetBounds(const Rect& bounds) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Copies the canvas to the window and shows it at the next refresh.
    virtual void Present(const Canvas& canvas) = 0;
    // Shows image with its top-left corner at position (client pixels) on
    // the window's black background, at the next refresh: the show's frame.
    virtual void PresentIndexed(const IndexedImage& image, Point position) = 0;
    // The refresh rate of the display the window is on, in hertz; 0 where
    // the window system does not say.
    virtual double RefreshRate() const { return 0.0; }
    // The beat of the frames presented from now on (the display's refresh
    // until it is set).
    virtual void SetFramePacing(const FramePacing& pacing) { static_cast<void>(pacing); }
    // Draws an outline rectangle on the screen (the zoom effect).
    virtual void DrawAnimatedRect(const Rect& from, const Rect& to) = 0;
    // The pointer shown while the pointer is over this window: image, or the
    // system's arrow for null. The image must outlive the window (the
    // backend may keep a native cursor made from it, keyed by its address).
    virtual void SetPointer(const PointerImage* image) { static_cast<void>(image); }
};

// Input reaches the window it belongs to: while a mouse button is held, the
// window it was pressed in keeps getting the mouse's events, even outside it
// (the press captures the mouse until the last button is released).
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual std::unique_ptr<Window> CreateWindow(const WindowRequest& request) = 0;
    // Size of the primary display in pixels.
    virtual Rect PrimaryScreen() = 0;
    // Rectangle of a foreign window (GetWindowRect), if it exists.
    virtual std::optional<Rect> GetWindowRect(std::int64_t native_handle) = 0;
    // Moves every pending native event into events, oldest first, and
    // returns at once.
    virtual void PollEvents(std::vector<InputEvent>& events) = 0;
    // Waits until an event is pending or milliseconds have passed (the
    // loop, when nothing is due before); returns at once where the backend
    // cannot wait.
    virtual void WaitForEvents(std::uint32_t milliseconds) { static_cast<void>(milliseconds); }
    // The monitors a surface on a layer can cover, by handle, where the
    // window system has layers; empty where it has none or no connection
    // could be made.
    virtual std::vector<std::int64_t> Monitors() { return {}; }
    // True once the connection to the display went away under the program.
    virtual bool DisplayGone() const { return false; }
};

class CursorService {
public:
    virtual ~CursorService() = default;
    // ShowCursor: returns the new display count (>= 0 shown, < 0 hidden).
    virtual std::int32_t ShowCursor(bool show) = 0;
    virtual Point GetCursorPos() = 0;
    // The hourglass (true) or the normal arrow (false) over the whole screen.
    virtual void SetBusy(bool busy) = 0;
};

enum class MessageBoxStyle { Ok, OkExclamation, OkCritical };

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void MessageBox(const std::string& text, const std::string& title, MessageBoxStyle style) = 0;
};

}  // namespace nuvra::platform
