#include "support/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace nuvra::test {

namespace {

std::uint32_t CopyNulTerminated(std::string_view text, std::span<char> buffer)
{
    if (buffer.empty())
        return 0;
    std::size_t count = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

}  // namespace

std::string FakeProfile::Fold(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

void FakeProfile::Set(std::string_view file, std::string_view section, std::string_view key, std::string_view value)
{
    m_values[std::string(file) + "\n" + Fold(section) + "\n" + Fold(key)] = std::string(value);
}

std::uint32_t FakeProfile::GetPrivateProfileString(std::string_view section, std::string_view key,
                                                   std::string_view default_value, std::span<char> buffer,
                                                   std::string_view file_name)
{
    read_files.emplace_back(file_name);
    auto it = m_values.find(std::string(file_name) + "\n" + Fold(section) + "\n" + Fold(key));
    return CopyNulTerminated(it == m_values.end() ? default_value : std::string_view(it->second), buffer);
}

platform::ProfileWriteResult FakeProfile::WritePrivateProfileString(std::string_view section, std::string_view key,
                                                                    std::string_view value, std::string_view file_name)
{
    writes.push_back({std::string(section), std::string(key), std::string(value), std::string(file_name)});
    if (fail_writes)
        return {false, failure_reason};
    Set(file_name, section, key, value);
    return {true, {}};
}

void FakeFileSystem::AddFolder(const std::string& folder, std::vector<platform::FolderEntry> entries)
{
    m_folders[folder] = std::move(entries);
}

std::optional<std::string> FakeFileSystem::FolderIdentity(std::string_view folder)
{
    while (folder.size() > 1 && folder.back() == platform::kPathSeparator)
        folder.remove_suffix(1);
    const std::string path(folder);
    if (m_folders.count(path) == 0)
        return std::nullopt;
    const auto alias = identities.find(path);
    return alias != identities.end() ? alias->second : path;
}

platform::FolderListing FakeFileSystem::ListFolder(std::string_view folder)
{
    listed.emplace_back(folder);
    // "/pics" and "/pics/" name the same folder.
    while (folder.size() > 1 && folder.back() == platform::kPathSeparator)
        folder.remove_suffix(1);
    platform::FolderListing listing;
    auto it = m_folders.find(std::string(folder));
    if (it == m_folders.end())
        return listing;
    listing.opened = true;
    listing.complete = true;
    listing.entries = it->second;
    return listing;
}

bool FakeFileSystem::IsReal(std::string_view path) const
{
    return !real_folder.empty() && path.substr(0, real_folder.size()) == real_folder;
}

bool FakeFileSystem::CanOpenForReading(std::string_view path)
{
    if (m_readable.count(std::string(path)) != 0)
        return true;
    std::error_code error;
    return IsReal(path) && std::filesystem::is_regular_file(std::string(path), error);
}

bool FakeFileSystem::DeleteFile(std::string_view path)
{
    bool deleted = m_readable.erase(std::string(path)) != 0;
    std::error_code error;
    if (IsReal(path))
        deleted = std::filesystem::remove(std::string(path), error) || deleted;
    return deleted;
}

bool FakeFileSystem::ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes)
{
    replaced.emplace_back(path);
    std::ofstream out(std::string(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::uint32_t FakeFileSystem::GetShortPathName(std::string_view path, std::span<char> buffer)
{
    if (!CanOpenForReading(path))
        return 0;
    std::string quoted = "\"" + std::string(path) + "\"";
    if (buffer.size() < quoted.size() + 1)
        return static_cast<std::uint32_t>(quoted.size() + 1);
    return CopyNulTerminated(quoted, buffer);
}

double FakeRandom::Rnd()
{
    if (values.empty())
        return 0.0;
    double value = values.front();
    values.pop_front();
    return value;
}

bool FakeGuard::WindowExists(std::string_view title)
{
    searched.emplace_back(title);
    return open_windows.count(std::string(title)) != 0;
}

namespace {

// Holds its title among the guard's open windows until it goes.
class FakeClaim final : public platform::InstanceClaim {
public:
    FakeClaim(std::set<std::string>& open_windows, std::string title)
        : m_open_windows(open_windows), m_title(std::move(title))
    {
    }
    ~FakeClaim() override { m_open_windows.erase(m_title); }

private:
    std::set<std::string>& m_open_windows;
    std::string m_title;
};

}  // namespace

platform::TitleClaim FakeGuard::Claim(std::string_view title)
{
    claims.emplace_back(title);
    if (!no_folder.empty())
        return {nullptr, no_folder};
    if (taken_by_another.count(std::string(title)) != 0 || !open_windows.insert(std::string(title)).second)
        return {};
    return {std::make_unique<FakeClaim>(open_windows, std::string(title)), {}};
}

std::int32_t FakeCursor::ShowCursor(bool show)
{
    calls.push_back(show);
    display_count += show ? 1 : -1;
    return display_count;
}

FakePlatform::FakePlatform()
{
    platform.profile = &profile;
    platform.files = &files;
    platform.random = &random;
    platform.session = &session;
    platform.guard = &guard;
    platform.cursor = &cursor;
}

}  // namespace nuvra::test
