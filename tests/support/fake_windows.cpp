#include "support/fake_windows.h"

namespace nuvra::test {

namespace {

class FakeWindow final : public platform::Window {
public:
    explicit FakeWindow(std::shared_ptr<FakeWindowRecord> record) : m_record(std::move(record)) {}
    ~FakeWindow() override { m_record->destroyed = true; }

    std::int64_t NativeHandle() const override { return m_record->handle; }
    platform::Rect Bounds() const override { return m_record->request.bounds; }
    void SetBounds(const platform::Rect& bounds) override { m_record->request.bounds = bounds; }
    void Show() override { m_record->shown = true; }
    void Hide() override { m_record->shown = false; }
    void Present(const platform::Canvas& canvas) override
    {
        ++m_record->presents;
        m_record->last_canvas = canvas;
    }
    void PresentIndexed(const platform::IndexedImage& image, platform::Point position) override
    {
        ++m_record->presents;
        if (!m_record->first_position)
            m_record->first_position = position;
        m_record->last_position = position;
        m_record->last_width = image.width;
    }
    void DrawAnimatedRect(const platform::Rect& from, const platform::Rect& to) override
    {
        m_record->animations.emplace_back(from, to);
    }
    void SetPointer(const platform::PointerImage* image) override { m_record->pointer = image; }

private:
    std::shared_ptr<FakeWindowRecord> m_record;
};

}  // namespace

std::unique_ptr<platform::Window> FakeWindowSystem::CreateWindow(const platform::WindowRequest& request)
{
    if (fail_create)
        return nullptr;
    auto record = std::make_shared<FakeWindowRecord>();
    record->request = request;
    // What the window system grants may differ from what was asked.
    if (granted_bounds)
        record->request.bounds = *granted_bounds;
    if (distinct_handles)
        record->handle = 100 + static_cast<std::int64_t>(windows.size());
    windows.push_back(record);
    return std::make_unique<FakeWindow>(record);
}

void FakeWindowSystem::PollEvents(std::vector<platform::InputEvent>& events)
{
    const int pump = pumps++;
    if (on_pump)
        on_pump(pump);
    if (script.empty())
        return;
    for (const platform::InputEvent& event : script.front())
        events.push_back(event);
    script.pop_front();
}

platform::InputEvent Key(platform::Key key)
{
    platform::InputEvent event;
    event.kind = platform::InputKind::KeyDown;
    event.key = key;
    return event;
}

platform::InputEvent MouseDown()
{
    platform::InputEvent event;
    event.kind = platform::InputKind::MouseDown;
    event.button = platform::MouseButton::Left;
    return event;
}

platform::InputEvent MouseMove(std::int32_t x, std::int32_t y)
{
    platform::InputEvent event;
    event.kind = platform::InputKind::MouseMove;
    event.x = x;
    event.y = y;
    return event;
}

}  // namespace nuvra::test
