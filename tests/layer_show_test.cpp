#include "startup/layer_show.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "settings/ini.h"
#include "support/fake_show_platform.h"

namespace nuvra {
namespace {

struct LayerPlatform : test::FakeShowPlatform {
    LayerPlatform()
    {
        platform.diagnostics = &diagnostics;
        windows.monitors = {38, 39};
        windows.distinct_handles = true;
    }
    test::FakeDiagnostics diagnostics;
};

platform::InputEvent To(std::int64_t window, platform::InputEvent event)
{
    event.window = window;
    return event;
}

platform::InputEvent Close()
{
    platform::InputEvent close;
    close.kind = platform::InputKind::Close;
    return close;
}

// A show that misses the input it should end on is ended by a termination
// request after this many pumps, so that the test fails instead of hanging.
constexpr int kPumpsBeforeClose = 100;

class LayerShowTest : public ::testing::Test {
protected:
    LayerShowTest()
    {
        fake.windows.on_pump = [this](int pump) {
            if (pump == kPumpsBeforeClose)
                fake.windows.script = {{Close()}};
        };
        fake.files.AddReadableFile("/music/file.wav");
        fake.profile.Set(IniPath(fake.files), "Section", "BGM区分", "2");
        fake.profile.Set(IniPath(fake.files), "Section", "BGMﾌｧｲﾙ", "/music/file.wav");
    }
    int Run(const std::string& layer_flag) { return RunLayerShow(fake.platform, ParseHostedCommandLine({layer_flag}, std::nullopt)); }

    bool AllWindowsGone() const
    {
        return std::all_of(fake.windows.windows.begin(), fake.windows.windows.end(),
                           [](const auto& window) { return window->destroyed; });
    }
    int MusicStarts() const
    {
        return static_cast<int>(std::count_if(fake.sound.calls.begin(), fake.sound.calls.end(),
                                              [](const auto& call) { return call.file_name.has_value(); }));
    }

    LayerPlatform fake;
};

TEST_F(LayerShowTest, EachMonitorHasItsOwnCopyAndTheFirstToEndEndsThemAll)
{
    // A key reaches the second monitor's copy only.
    fake.windows.script = {{}, {}, {To(101, test::Key(platform::Key::Character))}};
    EXPECT_EQ(Run("--layer"), 0);
    EXPECT_LT(fake.windows.pumps, kPumpsBeforeClose) << "the key did not end the show";

    ASSERT_EQ(fake.windows.windows.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const platform::WindowRequest& request = fake.windows.windows[i]->request;
        EXPECT_EQ(request.layer, platform::SurfaceLayer::Overlay);
        EXPECT_EQ(request.parent, fake.windows.monitors[i]);
        EXPECT_GT(fake.windows.windows[i]->presents, 0);
    }
    EXPECT_TRUE(AllWindowsGone());
    EXPECT_EQ(MusicStarts(), 1) << "one copy plays the music";
    for (const char* title : {"Nuvra_Main-layer-38", "Nuvra_Main-layer-39"})
        EXPECT_NE(std::find(fake.guard.claims.begin(), fake.guard.claims.end(), title), fake.guard.claims.end())
            << title;
    EXPECT_TRUE(fake.guard.open_windows.empty()) << "every claim is given back";
}

TEST_F(LayerShowTest, TheBackgroundTakesNoInputAndEndsOnATerminationRequest)
{
    bool running_after_input = false;
    fake.windows.on_pump = [&](int pump) {
        if (pump == 4)
            running_after_input = fake.windows.windows.size() == 2 && !fake.windows.windows[0]->destroyed &&
                                  !fake.windows.windows[1]->destroyed;
    };
    fake.windows.script = {{To(100, test::Key(platform::Key::Character))},
                           {To(101, test::MouseDown())},
                           {To(100, test::MouseMove(5, 5))},
                           {To(100, test::MouseMove(50, 70))},
                           {},
                           {Close()}};
    EXPECT_EQ(Run("--layer=background"), 0);

    EXPECT_TRUE(running_after_input) << "input ended the background";
    ASSERT_EQ(fake.windows.windows.size(), 2u);
    EXPECT_EQ(fake.windows.windows[0]->request.layer, platform::SurfaceLayer::Background);
    EXPECT_TRUE(AllWindowsGone());
}

TEST_F(LayerShowTest, NoMonitorIsSaidAndEndsWithStatusOne)
{
    fake.windows.monitors.clear();
    EXPECT_EQ(Run("--layer"), 1);
    EXPECT_TRUE(fake.windows.windows.empty());
    EXPECT_EQ(fake.diagnostics.reports.size(), 1u);
}

}  // namespace
}  // namespace nuvra
