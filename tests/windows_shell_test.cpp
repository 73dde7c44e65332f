// The system's choosers under Wine, answered by a second thread as a person
// would: a path typed or a folder picked, then OK, or Cancel. The chosen
// path comes back as UTF-8, Japanese and accented names included.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/windows/shell/shell.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"
#include "support/temp_dir.h"

#include <shlobj.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nuvra::platform::Choice;
using nuvra::platform::ChoiceOutcome;
using nuvra::windows_platform::Utf8FromWide;

// The first visible window of class_name among those enumerate lists
// (enumerate: an EnumThreadWindows or EnumChildWindows call).
template <typename Enumerate>
HWND FirstVisible(const wchar_t* class_name, Enumerate enumerate)
{
    struct Search {
        const wchar_t* class_name;
        HWND found = nullptr;
    } search{class_name};
    enumerate(
        [](HWND hwnd, LPARAM data) {
            auto& wanted = *reinterpret_cast<Search*>(data);
            wchar_t name[16]{};
            GetClassNameW(hwnd, name, 16);
            if (std::wstring_view(name) != wanted.class_name || !IsWindowVisible(hwnd))
                return TRUE;
            wanted.found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first dialog box (class #32770) the thread shows, waited for until
// the chooser returns.
HWND DialogOfThread(DWORD thread, const std::atomic<bool>& returned)
{
    while (!returned) {
        if (HWND found = FirstVisible(L"#32770", [&](WNDENUMPROC each, LPARAM data) {
                EnumThreadWindows(thread, each, data);
            }))
            return found;
        std::this_thread::sleep_for(50ms);
    }
    return nullptr;
}

// The first visible edit field inside the dialog: the file chooser's name.
HWND FirstEdit(HWND dialog)
{
    return FirstVisible(L"Edit", [&](WNDENUMPROC each, LPARAM data) { EnumChildWindows(dialog, each, data); });
}

// Runs choose on this thread while another thread answers the dialog it
// shows; answer gets the dialog's window. A dialog that never shows is
// reported; one the answer leaves open is cancelled after 5 s.
Choice ChooseAnswering(const std::function<Choice()>& choose, const std::function<void(HWND)>& answer)
{
    std::atomic<bool> seen = false, returned = false;
    std::thread person([&, thread = GetCurrentThreadId()] {
        HWND dialog = DialogOfThread(thread, returned);
        if (dialog == nullptr)
            return;
        seen = true;
        answer(dialog);
        for (int wait = 0; wait < 100 && !returned; ++wait)
            std::this_thread::sleep_for(50ms);
        if (!returned)
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const Choice choice = choose();
    returned = true;
    person.join();
    EXPECT_TRUE(seen) << "no chooser showed";
    return choice;
}

class WindowsChooser : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = dir.path() / fs::path(u8"音楽 café");
        fs::create_directory(folder);
        song = folder / fs::path(u8"曲 ü.mp3");
        std::ofstream(song, std::ios::binary) << "ID3";
    }

    nuvra::test::TempDir dir;
    fs::path folder;
    fs::path song;
    nuvra::windows_platform::WindowsShell shell;
};

TEST_F(WindowsChooser, AFileTypedAndConfirmedComesBackAsUtf8)
{
    const Choice choice = ChooseAnswering(
        [&] { return shell.GetOpenFileName("曲を選ぶ", "Music", "*.mp3;*.wav", Utf8FromWide(folder.wstring())); },
        [&](HWND dialog) {
            HWND name = FirstEdit(dialog);
            ASSERT_NE(name, nullptr);
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(song.wstring().c_str()));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(choice.outcome, ChoiceOutcome::Chosen);
    EXPECT_EQ(fs::path(nuvra::windows_platform::WideFromUtf8(choice.path).value_or(L"")), song) << choice.path;
}

TEST_F(WindowsChooser, CancelledChoosersSaySoAndGiveNoPath)
{
    auto cancel = [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    const Choice file = ChooseAnswering(
        [&] { return shell.GetOpenFileName("曲を選ぶ", "Music", "*.mp3", Utf8FromWide(folder.wstring())); }, cancel);
    EXPECT_EQ(file.outcome, ChoiceOutcome::Cancelled);
    EXPECT_EQ(file.path, "");
    const Choice folder_choice = ChooseAnswering([&] { return shell.BrowseForFolder("画像のﾌｫﾙﾀﾞ"); }, cancel);
    EXPECT_EQ(folder_choice.outcome, ChoiceOutcome::Cancelled);
    EXPECT_EQ(folder_choice.path, "");
}

TEST_F(WindowsChooser, AFolderPickedAndConfirmedComesBackAsUtf8)
{
    const Choice choice = ChooseAnswering([&] { return shell.BrowseForFolder("画像のﾌｫﾙﾀﾞ"); },
                                          [&](HWND dialog) {
                                              SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                                                           reinterpret_cast<LPARAM>(folder.wstring().c_str()));
                                              std::this_thread::sleep_for(200ms);
                                              PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                                          });
    EXPECT_EQ(choice.outcome, ChoiceOutcome::Chosen);
    EXPECT_EQ(fs::path(nuvra::windows_platform::WideFromUtf8(choice.path).value_or(L"")), folder) << choice.path;
}

}  // namespace
