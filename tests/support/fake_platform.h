// In-memory fakes of the platform services for the core's unit tests. Each
// records what the core asked of it so that tests can check calls and order.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "support/native_path.h"

namespace nuvra::test {

// Key lookups ignore ASCII case, as the real profile does.
class FakeProfile final : public platform::ProfileFile {
public:
    struct Write {
        std::string section, key, value, file;
    };

    void Set(std::string_view file, std::string_view section, std::string_view key, std::string_view value);
    std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key,
                                          std::string_view default_value, std::span<char> buffer,
                                          std::string_view file_name) override;
    platform::ProfileWriteResult WritePrivateProfileString(std::string_view section, std::string_view key,
                                                           std::string_view value, std::string_view file_name) override;

    std::vector<Write> writes;
    std::vector<std::string> read_files;  // the file name of every read
    bool fail_writes = false;
    std::string failure_reason = "Permission denied";  // what a failing write says

private:
    static std::string Fold(std::string_view text);
    std::map<std::string, std::string> m_values;  // "file\nsection\nkey" folded -> value
};

class FakeFileSystem final : public platform::FileSystem {
public:
    void AddFolder(const std::string& folder, std::vector<platform::FolderEntry> entries);
    void AddReadableFile(const std::string& path) { m_readable.insert(path); }

    platform::FolderListing ListFolder(std::string_view folder) override;
    // A folder's identity is its path, or the one identities gives it (a
    // link back up the tree names a folder already there).
    std::optional<std::string> FolderIdentity(std::string_view folder) override;
    bool CanOpenForReading(std::string_view path) override;
    bool DeleteFile(std::string_view path) override;
    // Writes the real file at path, as the core's own writes always did
    // (tests read the work files back from disk); unlike a file under
    // real_folder, it is not readable through the fake unless added.
    bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
    std::uint32_t GetShortPathName(std::string_view path, std::span<char> buffer) override;
    std::string SettingsFolder() override { return settings_folder; }
    std::string WorkFolder() override { return work_folder; }

    std::string settings_folder = NativePath("/home/user/.config/nuvra");
    std::string work_folder = NativePath("/home/user/.cache/nuvra");
    std::map<std::string, std::string> identities;
    std::vector<std::string> listed;  // every folder asked for
    std::vector<std::string> replaced;  // every path written
    // Paths under this folder are real files (the work files the core
    // writes itself); empty: none.
    std::string real_folder;

private:
    bool IsReal(std::string_view path) const;
    std::map<std::string, std::vector<platform::FolderEntry>> m_folders;
    std::set<std::string> m_readable;
};

// Rnd returns the scripted values in turn, then 0.
class FakeRandom final : public platform::Random {
public:
    void Randomize() override { ++randomize_calls; }
    double Rnd() override;

    std::deque<double> values;
    int randomize_calls = 0;
};

class FakeSession final : public platform::ScreenSaverSession {
public:
    bool SystemOwnsPassword() override { return system_owns_password; }
    bool ConfirmPassword(std::int64_t) override { return true; }
    void ChangePassword(std::int32_t parent_window) override { password_changes.push_back(parent_window); }
    void SetRunning(bool running) override { screen_saver_running.push_back(running); }
    void SaverEnded() override {}

    bool system_owns_password = true;
    std::vector<bool> screen_saver_running;        // every value passed
    std::vector<std::int32_t> password_changes;  // every parent passed
};

class FakeGuard final : public platform::InstanceGuard {
public:
    bool WindowExists(std::string_view title) override;
    platform::TitleClaim Claim(std::string_view title) override;

    // Set: every claim fails for want of a folder, with this reason.
    std::string no_folder;
    std::set<std::string> open_windows;  // a live claim's title stays here until it goes
    // Titles another process claims between our search and our claim.
    std::set<std::string> taken_by_another;
    std::vector<std::string> searched;
    std::vector<std::string> claims;
};

class FakeCursor final : public platform::CursorService {
public:
    std::int32_t ShowCursor(bool show) override;
    platform::Point GetCursorPos() override { return position; }
    void SetBusy(bool is_busy) override { busy = is_busy; }

    std::int32_t display_count = 0;
    std::vector<bool> calls;
    platform::Point position;
    bool busy = false;
};

class FakeDiagnostics final : public platform::Diagnostics {
public:
    void Report(std::string_view message) override { reports.emplace_back(message); }
    std::vector<std::string> reports;
};

// A Platform whose services are the fakes above.
struct FakePlatform {
    FakePlatform();
    FakeProfile profile;
    FakeFileSystem files;
    FakeRandom random;
    FakeSession session;
    FakeGuard guard;
    FakeCursor cursor;
    platform::Platform platform;
};

}  // namespace nuvra::test
