#include "support/temp_dir.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace nuvra::test {

namespace fs = std::filesystem;

// A random name, and another one when the first is taken: create_directory
// says whether it made the folder, so two tests never share one. Only the
// owner may enter it, as with mkdtemp, which not every C library has.
TempDir::TempDir()
{
    const fs::path parent = fs::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 names(static_cast<std::uint64_t>(seed()) << 32 | seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "nuvra-test-%016llx", static_cast<unsigned long long>(names()));
        std::error_code error;
        if (fs::create_directory(parent / name, error)) {
            m_path = parent / name;
            fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::replace);
            return;
        }
        if (error && error != std::errc::file_exists)
            throw std::runtime_error("cannot create a folder in " + parent.string() + ": " + error.message());
    }
    throw std::runtime_error("no free folder name in " + parent.string());
}

TempDir::~TempDir()
{
    std::error_code error;
    // Give every folder its write and search bits back so that nothing a test
    // locked stops the removal.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    // A second pass reaches folders that were unreadable during the first.
    for (auto it = fs::recursive_directory_iterator(m_path, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(m_path, error);
}

std::string TempDir::WriteFile(std::string_view relative, std::string_view bytes) const
{
    fs::path full = m_path / fs::path(std::string(relative));
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full.string();
}

std::string TempDir::ReadFile(std::string_view relative) const
{
    std::ifstream in(m_path / fs::path(std::string(relative)), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace nuvra::test
