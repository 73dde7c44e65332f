// The Windows session services under Wine on an X server: who owns the
// saver password (the old family's libraries replaced by a fake), the
// running flag, the single-instance guard and the screen capture.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/desktop/desktop.h"
#include "platform/windows/session/instance_guard.h"
#include "platform/windows/session/screen_saver_session.h"
#include "platform/windows/win32.h"

namespace {

using namespace nuvra::windows_platform;

struct FakePasswords final : PasswordLibrary {
    bool present = true;
    bool answer = false;
    std::vector<std::string> calls;

    bool Verify(std::int64_t window, bool& confirmed) override
    {
        calls.push_back("verify " + std::to_string(window));
        confirmed = answer;
        return present;
    }
    bool Change(std::int64_t parent_window) override
    {
        calls.push_back("change " + std::to_string(parent_window));
        return present;
    }
};

TEST(WindowsSession, OnlyTheOldFamilyAsksItsOwnPasswordLibraries)
{
    struct Case {
        bool old_family;
        bool present;
        bool answer;
        bool owns;
        bool may_end;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {false, true, false, true, true, {}},
        {true, true, false, false, false, {"verify 42", "change 7"}},
        {true, true, true, false, true, {"verify 42", "change 7"}},
        // A library that is not there cannot keep the show running for good.
        {true, false, false, false, true, {"verify 42", "change 7"}},
    };
    for (const Case& c : cases) {
        auto passwords = std::make_unique<FakePasswords>();
        passwords->present = c.present;
        passwords->answer = c.answer;
        FakePasswords& seen = *passwords;
        WindowsScreenSaverSession session(c.old_family, std::move(passwords));
        EXPECT_EQ(session.SystemOwnsPassword(), c.owns);
        EXPECT_EQ(session.ConfirmPassword(42), c.may_end);
        session.ChangePassword(7);
        EXPECT_EQ(seen.calls, c.calls);
    }
    EXPECT_FALSE(OldWindowsFamily());
    EXPECT_TRUE(WindowsScreenSaverSession().SystemOwnsPassword());
}

TEST(WindowsSession, TheRunningFlagIsTheSystems)
{
    WindowsScreenSaverSession session;
    for (bool running : {true, false}) {
        session.SetRunning(running);
        BOOL flag = !running;
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &flag, 0));
        EXPECT_EQ(flag != FALSE, running);
    }
}

TEST(WindowsInstanceGuard, ATitleIsClaimedOnceAndAWindowOfItIsFound)
{
    WindowsInstanceGuard guard;
    const std::string title = "Nuvraの設定 guard test";
    {
        nuvra::platform::TitleClaim first = guard.Claim(title);
        ASSERT_TRUE(first.held) << first.failure;
        const nuvra::platform::TitleClaim second = guard.Claim(title);
        EXPECT_FALSE(second.held);
        EXPECT_TRUE(second.failure.empty()) << second.failure;
        EXPECT_TRUE(guard.Claim("another\\title").held);
    }
    EXPECT_TRUE(guard.Claim(title).held);

    EXPECT_FALSE(guard.WindowExists(title));
    HWND window = CreateWindowExW(0, L"STATIC", L"Nuvraの設定 guard test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(guard.WindowExists(title));
    DestroyWindow(window);
    EXPECT_FALSE(guard.WindowExists(title));
}

TEST(WindowsDesktopCapture, TheWholePrimaryScreenIsCaptured)
{
    const std::optional<nuvra::platform::Picture> captured = WindowsDesktopCapture().CaptureScreen();
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(captured->height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(captured->bits_per_pixel, 32);
    EXPECT_EQ(captured->pixels.size(), static_cast<std::size_t>(captured->stride) * captured->height);
}

}  // namespace
