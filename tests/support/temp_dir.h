// A temporary folder for one test, removed with everything in it (read-only
// subfolders included) when the object goes away.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace nuvra::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

    // Writes bytes to a file under the folder (creating parent folders) and
    // returns its full path.
    std::string WriteFile(std::string_view relative, std::string_view bytes) const;
    std::string ReadFile(std::string_view relative) const;

private:
    std::filesystem::path m_path;
};

}  // namespace nuvra::test
