#include "files/paths.h"

#include <optional>

#include "platform/platform.h"

namespace nuvra {

namespace {

constexpr char kSeparator = platform::kPathSeparator;

char FoldAsciiCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// "*.bmp": a suffix compare, the shape of every pattern the image list
// scans with.
std::optional<bool> MatchStarSuffix(std::string_view name, std::string_view pattern)
{
    if (pattern.empty() || pattern[0] != '*' || pattern.find_first_of("*?", 1) != std::string_view::npos)
        return std::nullopt;
    const std::string_view suffix = pattern.substr(1);
    if (name.size() < suffix.size())
        return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (FoldAsciiCase(tail[i]) != FoldAsciiCase(suffix[i]))
            return false;
    }
    return true;
}

// '*' and '?' over the whole name, with the single-backtrack walk: on a
// mismatch the last '*' takes one more character. Linear in practice for the
// patterns the list uses.
bool MatchWildcards(std::string_view name, std::string_view pattern)
{
    if (const std::optional<bool> matched = MatchStarSuffix(name, pattern))
        return *matched;
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star_pattern = std::string_view::npos;
    std::size_t star_name = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star_pattern = p++;
            star_name = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            // One character is one code point, not one byte, so "?.bmp"
            // finds a picture named with a single accented letter.
            ++p;
            ++n;
            while (n < name.size() && IsContinuationByte(name[n]))
                ++n;
            continue;
        }
        if (p < pattern.size() && FoldAsciiCase(pattern[p]) == FoldAsciiCase(name[n])) {
            ++p;
            ++n;
            continue;
        }
        if (star_pattern == std::string_view::npos)
            return false;
        p = star_pattern + 1;
        n = ++star_name;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool FolderExists(std::string_view path, platform::FileSystem& files)
{
    std::string pattern = AddBackslash(path);
    pattern += "*.*";
    const platform::FolderListing listing = files.ListFolder(DirectoryPart(pattern));
    return listing.opened && !listing.entries.empty();
}

bool FileExists(std::string_view path, platform::FileSystem& files)
{
    if (!path.empty() && path.back() == kSeparator)
        path.remove_suffix(1);
    if (path.empty())
        return false;
    return files.CanOpenForReading(path);
}

std::string AddBackslash(std::string_view path)
{
    while (!path.empty() && path.back() == ' ')
        path.remove_suffix(1);
    std::string result(path);
    if (result.empty() || result.back() != kSeparator)
        result += kSeparator;
    return result;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += kSeparator;
    path += name;
    return path;
}

// The drive colon counts as a separator too, as it does for drive-relative
// paths on the system the program was first written for; on Linux a colon can
// only be part of a folder name, and the separators after it win.
std::string ParentFolder(std::string_view path)
{
    const char separators[] = {':', kSeparator, '\0'};
    const std::size_t position = path.find_last_of(separators);
    if (position == std::string_view::npos)
        return {};
    std::string_view head = path.substr(0, position + 1);
    if (head.back() == kSeparator)
        head.remove_suffix(1);
    return std::string(head);
}

// ParentFolder drops the separator after a root ("/*.bmp" gives ""), so it
// goes back on here: the root's listing is "/", and its paths keep the doubled
// separator a root folder gives ("//name.bmp").
std::string DirectoryPart(std::string_view pattern)
{
    std::string folder = ParentFolder(pattern);
    folder += kSeparator;
    return folder;
}

bool WildcardMatch(std::string_view name, std::string_view pattern)
{
    if (pattern == "*.*")
        return true;
    if (MatchWildcards(name, pattern))
        return true;
    // A trailing ".*" also matches a name with no extension at all ("a.*"
    // finds "a"), as the file system's own matching does.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
        return MatchWildcards(name, pattern.substr(0, pattern.size() - 2));
    return false;
}

}  // namespace nuvra
