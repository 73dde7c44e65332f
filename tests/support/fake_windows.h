// Fakes of the window system and the clock for the display form's tests:
// windows record what they were asked to show, and each event pump takes
// the next scripted batch of input (and lets the clock move on).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace nuvra::test {

class FakeClock final : public platform::Clock {
public:
    std::uint64_t NowMilliseconds() override { return now; }
    std::uint64_t now = 1000;
};

struct FakeWindowRecord {
    platform::WindowRequest request;
    bool shown = false;
    bool destroyed = false;
    int presents = 0;
    std::optional<platform::Point> first_position;
    platform::Point last_position;
    std::int32_t last_width = 0;
    // The indexed frames as a screen that keeps its last frame would hold
    // them, rebuilt from only the pixels each frame says changed (clipped to
    // its box): what each frame said, and how many left the rebuilt picture
    // differing from the one presented.
    std::vector<platform::ImageChange> changes;
    std::vector<std::uint32_t> rebuilt;  // stored rows, width colours each
    int stale_frames = 0;
    // Frames said to read the same from both ends of each row, and how many
    // of them did not.
    int mirrored_frames = 0;
    int falsely_mirrored_frames = 0;
    platform::Canvas last_canvas;  // the last canvas presented
    std::vector<std::pair<platform::Rect, platform::Rect>> animations;  // from, to
    const platform::PointerImage* pointer = nullptr;
    std::int64_t handle = 42;
    double refresh_hz = 0.0;                      // what the window says of its display
    std::optional<platform::FramePacing> pacing;  // the beat it was given
};

class FakeWindowSystem final : public platform::WindowSystem {
public:
    std::unique_ptr<platform::Window> CreateWindow(const platform::WindowRequest& request) override;
    platform::Rect PrimaryScreen() override { return screen; }
    std::optional<platform::Rect> GetWindowRect(std::int64_t) override { return std::nullopt; }
    std::vector<std::int64_t> Monitors() override { return monitors; }
    void PollEvents(std::vector<platform::InputEvent>& events) override;
    void WaitForEvents(std::uint32_t milliseconds) override { waits.push_back(milliseconds); }

    platform::Rect screen{0, 0, 1024, 768};
    bool fail_create = false;
    // Bounds every new window gets instead of the ones asked for.
    std::optional<platform::Rect> granted_bounds;
    // The monitors a surface on a layer can cover; none by default.
    std::vector<std::int64_t> monitors;
    // Windows are 42 each, or 100, 101, ... in the order they were made.
    bool distinct_handles = false;
    // The refresh rate every new window reports.
    double refresh_hz = 0.0;
    std::vector<std::shared_ptr<FakeWindowRecord>> windows;
    // One batch per pump; an empty script gives no events.
    std::deque<std::vector<platform::InputEvent>> script;
    // Runs at every pump, before the batch is handed out (move the clock,
    // check state, ...).
    std::function<void(int pump)> on_pump;
    int pumps = 0;
    std::vector<std::uint32_t> waits;  // every wait asked for, in milliseconds
};

platform::InputEvent Key(platform::Key key);
platform::InputEvent MouseDown();
platform::InputEvent MouseMove(std::int32_t x, std::int32_t y);

}  // namespace nuvra::test
