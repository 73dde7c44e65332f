// nuvra.scr under Wine on the test stage's X server, started as Windows
// starts a screen saver: "/s" shows the centred, eight-fold symmetric disc
// at the display's pace and a key ends it with nothing left behind;
// "/c:<window>" opens the settings dialog owned by that window with its
// 549 x 481 client, whose 設定 writes the CP932 settings file, and a second
// "/c" ends at once; "/p <window>" makes one child of the pane's size at its
// corner and ends when the pane goes, however it goes.
#include <gtest/gtest.h>

#include <cmath>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pictures/picture_decoding.h"
#include "platform/windows/desktop/desktop.h"
#include "platform/windows/picture/picture_codec.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
#include "support/temp_dir.h"

#include <tlhelp32.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nuvra::windows_platform::Utf8ToCp932;
using nuvra::windows_platform::WideFromUtf8;

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// Polls done, answering this process's windows' messages between polls: a
// window the program's dialog or preview belongs to must not keep it
// waiting.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds patience)
{
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        PumpMessages();
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A running copy of the program, ended by force if a test leaves it.
class Started {
public:
    Started(const fs::path& program, const std::wstring& arguments)
    {
        std::wstring command = L"\"" + program.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        m_started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   program.parent_path().c_str(), &startup, &m_process) != FALSE;
        if (m_started)
            CloseHandle(m_process.hThread);
    }
    ~Started()
    {
        if (m_started) {
            if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_process.hProcess, 99);
            CloseHandle(m_process.hProcess);
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool started() const { return m_started; }
    // The processor time the program's threads have used so far, user and
    // kernel. (Wine keeps no such figure for another process as a whole, but
    // it does for each of its threads.)
    std::chrono::milliseconds ProcessorTime() const
    {
        auto ticks = [](const FILETIME& time) {
            return static_cast<std::int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
        };
        std::int64_t used = 0;
        HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(threads, &entry); more; more = Thread32Next(threads, &entry)) {
            if (entry.th32OwnerProcessID != m_process.dwProcessId)
                continue;
            HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
            FILETIME created{}, ended{}, kernel{}, user{};
            if (thread != nullptr && GetThreadTimes(thread, &created, &ended, &kernel, &user))
                used += ticks(kernel) + ticks(user);
            if (thread != nullptr)
                CloseHandle(thread);
        }
        CloseHandle(threads);
        return std::chrono::milliseconds(used / 10000);
    }
    // The exit status once it ended within patience.
    // Windows of this process (a host, a pane) answer the program meanwhile.
    std::optional<DWORD> Wait(std::chrono::milliseconds patience)
    {
        const auto until = std::chrono::steady_clock::now() + patience;
        while (MsgWaitForMultipleObjects(1, &m_process.hProcess, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
            PumpMessages();
            if (std::chrono::steady_clock::now() > until)
                return std::nullopt;
        }
        DWORD status = 0;
        GetExitCodeProcess(m_process.hProcess, &status);
        return status;
    }

private:
    bool m_started = false;
    PROCESS_INFORMATION m_process{};
};

// A portable copy of the program: nuvra.scr in a folder of its own, which
// keeps its settings and work files beside it.
class Installed {
public:
    Installed()
    {
        fs::copy_file(fs::u8path(NUVRA_BINARY), program());
        fs::create_directory(pictures());
    }
    fs::path program() const { return m_dir.path() / "nuvra.scr"; }
    fs::path pictures() const { return m_dir.path() / "pictures"; }
    fs::path ini() const { return m_dir.path() / "Nuvra.ini"; }

    void WriteSettings(const std::vector<std::pair<std::string, std::string>>& keys) const
    {
        std::string text = "[Section]\r\n";
        for (const auto& [key, value] : keys)
            text += key + "=" + value + "\r\n";
        std::ofstream(ini(), std::ios::binary) << Utf8ToCp932(text).value();
    }
    std::string ReadSettings() const
    {
        std::ifstream in(ini(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool HasWorkFiles() const
    {
        return fs::exists(m_dir.path() / "Tmp_nuvra01.bmp") || fs::exists(m_dir.path() / "Tmp_nuvra02.bmp");
    }

private:
    nuvra::test::TempDir m_dir;
};

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

HWND FindTop(const wchar_t* title, std::chrono::milliseconds patience)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowW(nullptr, title)) != nullptr && IsWindowVisible(found); }, patience);
    return found;
}

// A picture with a different colour in every part, so a disc that is not
// mirrored shows.
bool WritePattern(const fs::path& path, int width, int height)
{
    nuvra::platform::Picture picture = nuvra::pictures::MakePicture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = nuvra::pictures::RowFromTop(picture, y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(40 + x * 200 / width);
            row[3 * x + 1] = static_cast<std::uint8_t>(40 + y * 200 / height);
            row[3 * x + 2] = static_cast<std::uint8_t>((x / 8 + y / 8) % 2 != 0 ? 220 : 60);
        }
    }
    return nuvra::windows_platform::WindowsPictureCodec().SavePicture(picture, Utf8(path));
}

std::uint32_t PixelAt(const nuvra::platform::Picture& screen, int x, int y)
{
    // The capture keeps the bottom row first, 32 bits a pixel.
    const std::uint8_t* pixel =
        screen.pixels.data() + static_cast<std::size_t>(screen.height - 1 - y) * screen.stride + 4 * x;
    return static_cast<std::uint32_t>(pixel[2]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 | pixel[0];
}

TEST(WindowsProgram, TheShowIsACentredSymmetricDiscAndAKeyEndsItLeavingNothing)
{
    Installed nuvra;
    ASSERT_TRUE(WritePattern(nuvra.pictures() / "pattern.bmp", 200, 160));
    nuvra.WriteSettings({{"画像のﾌｫﾙﾀﾞ", Utf8(nuvra.pictures())}});
    Started show(nuvra.program(), L"/s");
    ASSERT_TRUE(show.started());
    const HWND window = FindTop(L"Nuvra_Main", 20s);
    ASSERT_NE(window, nullptr);
    std::this_thread::sleep_for(3s);

    // Frames wait for the display's refresh: a show that drew them as fast
    // as it could would take a whole core.
    const std::chrono::milliseconds used_before = show.ProcessorTime();
    std::this_thread::sleep_for(2s);
    const std::chrono::milliseconds used = show.ProcessorTime() - used_before;
    EXPECT_LT(used, 1s) << "the show spins rather than waiting for the refresh";
    std::cout << "the show used " << used.count() << " ms of processor time in 2 s\n";

    // The square is the picture's height, centred on the screen.
    constexpr int side = 160;
    struct Look {
        int lit_outside = 0, dark_inside = 0, differing = 0, colours = 0;
        std::uint32_t corner = 0;
    };
    auto look = [&](const nuvra::platform::Picture& screen) {
        Look seen;
        const int left = (screen.width - side) / 2, top = (screen.height - side) / 2;
        const std::uint32_t first = PixelAt(screen, left + side / 2, top + side / 2);
        const double centre = (side - 1) / 2.0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const std::uint32_t pixel = PixelAt(screen, left + x, top + y);
                const double r = std::hypot(x - centre, y - centre);
                seen.dark_inside += r < side / 2.0 - 2 && pixel == 0;
                seen.lit_outside += r > side / 2.0 + 1 && pixel != 0;
                seen.colours += pixel != first;
                for (const auto& [mx, my] : {std::pair{side - 1 - x, y}, std::pair{x, side - 1 - y}, std::pair{y, x}})
                    seen.differing += PixelAt(screen, left + mx, top + my) != pixel;
            }
        }
        seen.corner = PixelAt(screen, 0, 0);
        return seen;
    };
    // The disc turns every frame, and a capture may catch a frame half
    // drawn over the last: the first of a few captures that is whole counts.
    Look seen;
    for (int capture = 0; capture < 10; ++capture) {
        const std::optional<nuvra::platform::Picture> screen = nuvra::windows_platform::WindowsDesktopCapture().CaptureScreen();
        ASSERT_TRUE(screen);
        seen = look(*screen);
        if (seen.differing == 0)
            break;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(seen.dark_inside, 0);
    EXPECT_EQ(seen.lit_outside, 0);
    EXPECT_GT(seen.colours, side * side / 4) << "the disc is one colour";
    EXPECT_EQ(seen.differing, 0) << "the disc is not mirrored in any of ten captures";
    EXPECT_EQ(seen.corner, 0u) << "the screen around the disc is not black";

    PostMessageW(window, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(show.Wait(10s), std::optional<DWORD>(0));
    EXPECT_FALSE(nuvra.HasWorkFiles());
}

TEST(WindowsProgram, TheDialogIsOwnedByTheHostHasItsClientSizeAndSavesTheCp932File)
{
    Installed nuvra;
    const HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    Started dialog(nuvra.program(), L"/c:" + std::to_wstring(reinterpret_cast<std::uintptr_t>(host)));
    ASSERT_TRUE(dialog.started());
    const HWND window = FindTop(L"Nuvraの設定", 20s);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindow(window, GW_OWNER), host);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right - client.left, 549);
    EXPECT_EQ(client.bottom - client.top, 481);

    Started second(nuvra.program(), L"/c");
    EXPECT_EQ(second.Wait(10s), std::optional<DWORD>(0)) << "a second dialog did not end at once";

    WaitUntil([] { return false; }, 1s);  // the zoom that opens it
    const LPARAM confirm = MAKELPARAM(378, 324);
    PostMessageW(window, WM_MOUSEMOVE, 0, confirm);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, confirm);
    PostMessageW(window, WM_LBUTTONUP, 0, confirm);
    EXPECT_EQ(dialog.Wait(10s), std::optional<DWORD>(0));

    const std::string written = nuvra.ReadSettings();
    const std::vector<std::string> keys = {"画像ﾁｪﾝｼﾞ", "画像の位置", "ｲﾝﾀｰﾊﾞﾙ", "画像のﾌｫﾙﾀﾞ", "画像種類_0", "画像種類_1",
                                           "画像種類_2", "画像種類_3", "BGM区分", "BGMﾘﾋﾟｰﾄ", "BGMﾌｧｲﾙ", "回転ｽﾋﾟｰﾄﾞ"};
    std::size_t at = written.find(*Utf8ToCp932("[Section]\r\n"));
    ASSERT_EQ(at, 0u) << written;
    for (const std::string& key : keys) {
        const std::size_t found = written.find(*Utf8ToCp932("\r\n" + key + "="), at);
        EXPECT_NE(found, std::string::npos) << key << " missing or out of order";
        if (found != std::string::npos)
            at = found + 1;
    }
}

// The host's pane, made and served by a thread of its own as the Screen
// Saver Settings would. It goes as a host closes it, or with its thread
// when the host dies; then the system destroys it and the preview's window
// in it without a message to the preview.
class Pane {
public:
    Pane()
    {
        m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &Pane::Serve, this, 0, &m_thread_id);
        // The first window of a process can take Wine ten seconds and more.
        WaitFor(m_ready, 30s);
    }
    ~Pane()
    {
        PostThreadMessageW(m_thread_id, WM_QUIT, 0, 0);
        WaitFor(m_thread, 10s);
        CloseHandle(m_thread);
        CloseHandle(m_ready);
    }
    Pane(const Pane&) = delete;
    Pane& operator=(const Pane&) = delete;

    HWND hwnd() const { return m_hwnd; }
    void Close() const { PostMessageW(m_hwnd, WM_CLOSE, 0, 0); }
    void DieWithItsThread() const
    {
        TerminateThread(m_thread, 0);
        WaitFor(m_thread, 10s);
    }

private:
    // This thread's windows answer the pane's thread meanwhile.
    static void WaitFor(HANDLE handle, std::chrono::milliseconds patience)
    {
        const auto until = std::chrono::steady_clock::now() + patience;
        while (MsgWaitForMultipleObjects(1, &handle, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0 &&
               std::chrono::steady_clock::now() < until)
            PumpMessages();
    }

    static DWORD WINAPI Serve(void* self)
    {
        auto& pane = *static_cast<Pane*>(self);
        pane.m_hwnd = CreateWindowExW(0, L"STATIC", L"pane", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        SetEvent(pane.m_ready);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        if (IsWindow(pane.m_hwnd))
            DestroyWindow(pane.m_hwnd);
        return 0;
    }

    HANDLE m_ready = nullptr;
    HANDLE m_thread = nullptr;
    DWORD m_thread_id = 0;
    HWND m_hwnd = nullptr;
};

TEST(WindowsProgram, ThePreviewIsOneChildOfThePaneAndEndsWithIt)
{
    const std::vector<std::pair<const char*, void (Pane::*)() const>> ends = {
        {"the host closes the pane", &Pane::Close},
        {"the host dies", &Pane::DieWithItsThread},
    };
    for (const auto& [how, end] : ends) {
        SCOPED_TRACE(how);
        Installed nuvra;
        Pane pane;
        ASSERT_NE(pane.hwnd(), nullptr);
        Started preview(nuvra.program(), L"/p " + std::to_wstring(reinterpret_cast<std::uintptr_t>(pane.hwnd())));
        ASSERT_TRUE(preview.started());
        HWND child = nullptr;
        ASSERT_TRUE(
            WaitUntil([&] { return (child = FindWindowExW(pane.hwnd(), nullptr, nullptr, nullptr)) != nullptr; }, 20s));
        EXPECT_EQ(FindWindowExW(pane.hwnd(), child, nullptr, nullptr), nullptr) << "more than one child";
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(HWND_DESKTOP, pane.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.right, 152);
        EXPECT_EQ(rect.bottom, 112);

        (pane.*end)();
        EXPECT_EQ(preview.Wait(10s), std::optional<DWORD>(0));
    }
}

}  // namespace
