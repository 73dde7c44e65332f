#include "support/fake_windows.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

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
        if (image.pixels != nullptr) {
            Rebuild(image);
            if (image.rows_mirrored)
                CheckMirrored(image);
        }
    }
    double RefreshRate() const override { return m_record->refresh_hz; }
    void SetFramePacing(const platform::FramePacing& pacing) override { m_record->pacing = pacing; }
    void DrawAnimatedRect(const platform::Rect& from, const platform::Rect& to) override
    {
        m_record->animations.emplace_back(from, to);
    }
    void SetPointer(const platform::PointerImage* image) override { m_record->pointer = image; }

private:
    void CheckMirrored(const platform::IndexedImage& image)
    {
        ++m_record->mirrored_frames;
        for (std::int32_t row = 0; row < image.height; ++row) {
            const std::uint8_t* pixels = image.pixels + std::ptrdiff_t{row} * image.bytes_per_row;
            if (!std::equal(pixels, pixels + image.width / 2, std::reverse_iterator(pixels + image.width))) {
                ++m_record->falsely_mirrored_frames;
                return;
            }
        }
    }

    // Colours, not indexes, so that a new colour table counts as a change.
    void Rebuild(const platform::IndexedImage& image)
    {
        FakeWindowRecord& record = *m_record;
        record.changes.push_back(image.change);
        const auto width = static_cast<std::size_t>(image.width);
        const auto copy = [&](std::int32_t row, std::int32_t first, std::int32_t end) {
            const std::uint8_t* from = image.pixels + std::ptrdiff_t{row} * image.bytes_per_row;
            for (std::int32_t x = first; x < end; ++x)
                record.rebuilt[width * static_cast<std::size_t>(row) + static_cast<std::size_t>(x)] =
                    from[x] < image.palette_size ? image.palette[from[x]] : 0;
        };
        if (image.change == platform::ImageChange::All || record.rebuilt.size() != width * image.height) {
            record.rebuilt.resize(width * static_cast<std::size_t>(image.height));
            for (std::int32_t row = 0; row < image.height; ++row)
                copy(row, 0, image.width);
        } else if (image.change == platform::ImageChange::Rows) {
            // Top row first; a row the same as one above takes that one's
            // rebuilt pixels, so a wrong hint shows as a stale frame.
            const platform::Rect& box = image.changed_box;
            const auto spans = static_cast<std::int32_t>(image.changed_rows.size());
            for (std::int32_t row = std::min(image.height, spans) - 1; row >= 0; --row) {
                const std::int32_t top_first = image.height - 1 - row;
                if (top_first < box.top || top_first >= box.bottom)
                    continue;
                const platform::RowSpan span = image.changed_rows[static_cast<std::size_t>(row)];
                const std::int32_t first = std::max({span.first, box.left, 0});
                const std::int32_t end = std::min({span.end, box.right, image.width});
                if (first >= end)
                    continue;
                if (span.same_as > row && span.same_as < image.height) {
                    const auto to = static_cast<std::ptrdiff_t>(width * static_cast<std::size_t>(row));
                    const auto from = static_cast<std::ptrdiff_t>(width * static_cast<std::size_t>(span.same_as));
                    std::copy(record.rebuilt.begin() + from + first, record.rebuilt.begin() + from + end,
                              record.rebuilt.begin() + to + first);
                } else {
                    copy(row, first, end);
                }
            }
        }
        const std::vector<std::uint32_t> shown = std::move(record.rebuilt);
        record.rebuilt.assign(shown.size(), 0);
        for (std::int32_t row = 0; row < image.height; ++row)
            copy(row, 0, image.width);
        if (record.rebuilt != shown)
            ++record.stale_frames;
        record.rebuilt = shown;
    }

    std::shared_ptr<FakeWindowRecord> m_record;
};

}  // namespace

std::unique_ptr<platform::Window> FakeWindowSystem::CreateWindow(const platform::WindowRequest& request)
{
    if (fail_create)
        return nullptr;
    auto record = std::make_shared<FakeWindowRecord>();
    record->request = request;
    record->refresh_hz = refresh_hz;
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
