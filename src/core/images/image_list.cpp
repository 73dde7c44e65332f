#include "images/image_list.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <set>
#include <utility>

#include "files/paths.h"

namespace nuvra {

namespace {

// Attribute values of the three passes, in scan order: no flag, archive only,
// read-only only. A file with any other value is never listed.
constexpr std::array<std::int16_t, 3> kPassAttributes = {
    platform::kAttributeNone,
    platform::kAttributeArchive,
    platform::kAttributeReadOnly,
};

constexpr std::uint32_t kNeverListed =
    platform::kAttributeHidden | platform::kAttributeSystem | platform::kAttributeDirectory;

std::string_view NamePart(std::string_view pattern)
{
    const char separators[] = {':', platform::kPathSeparator, '\0'};
    const std::size_t position = pattern.find_last_of(separators);
    return position == std::string_view::npos ? pattern : pattern.substr(position + 1);
}

// UTF-8 byte order is code-point order; UTF-16 code-unit order differs from
// it only in placing the supplementary planes (surrogate pairs, D800-DFFF)
// below U+E000-U+FFFF. Those are exactly the lead bytes F0-F4 and EE-EF, and
// neither can be a continuation byte, so exchanging their ranks is enough at
// whichever byte two paths first differ. The map is a permutation of the byte
// values, so invalid UTF-8 still sorts in one strict total order.
constexpr std::array<unsigned char, 256> MakeUtf16Ranks()
{
    std::array<unsigned char, 256> ranks{};
    for (unsigned value = 0; value < 256; ++value)
        ranks[value] = static_cast<unsigned char>(value);
    for (unsigned lead = 0xF0; lead <= 0xF4; ++lead)
        ranks[lead] = static_cast<unsigned char>(0xEE + (lead - 0xF0));  // EE..F2
    ranks[0xEE] = 0xF3;
    ranks[0xEF] = 0xF4;
    return ranks;
}

constexpr std::array<unsigned char, 256> kUtf16Ranks = MakeUtf16Ranks();

// Paths in one list share a long folder part, so the common prefix is found
// eight bytes at a time.
std::size_t CommonPrefixLength(std::string_view a, std::string_view b)
{
    const std::size_t limit = std::min(a.size(), b.size());
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= limit; i += 8) {
            std::uint64_t x = 0;
            std::uint64_t y = 0;
            std::memcpy(&x, a.data() + i, 8);
            std::memcpy(&y, b.data() + i, 8);
            if (x != y)
                return i + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
        }
    }
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

}  // namespace

const platform::FolderListing& ScanContext::Listing(const std::string& directory)
{
    if (!m_listing || m_directory != directory) {
        m_listing = m_exact ? m_files.ListFolder(directory) : m_files.ListFolderTypes(directory);
        m_directory = directory;
    }
    return *m_listing;
}

void ScanPattern(ImageList& list, std::string_view pattern, std::int16_t attribute, ScanContext& context)
{
    const std::string directory = DirectoryPart(pattern);
    const std::string_view name_pattern = NamePart(pattern);
    const platform::FolderListing& listing = context.Listing(directory);
    if (!listing.opened)
        return;
    const auto wanted = static_cast<std::uint32_t>(attribute);
    list.ImageCount = std::max<std::int16_t>(list.ImageCount, 0);
    for (const platform::FolderEntry& entry : listing.entries) {
        if (entry.attributes != wanted || (entry.attributes & kNeverListed) != 0)
            continue;
        if (!WildcardMatch(entry.name, name_pattern))
            continue;
        if (list.ImageCount >= kMaxImageCount) {
            context.set_capped();
            return;
        }
        ++list.ImageCount;
        // The array ends at ImageCount whatever state the caller left it in.
        list.ImageFiles.resize(static_cast<std::size_t>(list.ImageCount) + 1);
        std::string& path = list.ImageFiles.back();
        path.reserve(directory.size() + entry.name.size());
        path.assign(directory).append(entry.name);
    }
}

void QueueSubfolders(const std::string& folder, int depth, const platform::FolderListing& listing,
                     platform::FileSystem& files, std::set<std::string>& identities,
                     std::vector<std::pair<std::string, int>>& folders)
{
    if (depth >= kMaxFolderDepth)
        return;
    // In name order, so that of two ways into one folder the same is taken
    // whatever order the disk lists them in.
    for (const std::string& name : SubfolderNames(listing)) {
        std::string subfolder = JoinPath(folder, name);
        const std::optional<std::string> identity = files.FolderIdentity(subfolder);
        if (identity && !identities.insert(*identity).second)
            continue;
        folders.emplace_back(std::move(subfolder), depth + 1);
    }
}

void BuildImageList(ImageList& list, const ImageKindOptions& image_kinds, std::string_view folder,
                    platform::FileSystem& files, SubfolderOption subfolders, const ScanWatch* watch)
{
    auto stopped = [watch] { return watch && watch->stop && watch->stop->load(std::memory_order_relaxed); };
    bool told = false;
    // Entry 0 stays unused; the array always ends at ImageCount, so nothing
    // of an earlier folder's list lingers past the new count.
    list.ImageCount = 0;
    list.ImageFiles.resize(1);
    if (folder.empty())
        return;

    // A read-only file and a writable one are both listed, one pass apart,
    // and the sort then forgets the pass order: unless the list fills up,
    // the read-only flag changes nothing, and the first scan does without
    // it (it costs a call per file on some systems). A full list depends on
    // which passes came first, so then the scan is made again with it.
    for (const bool exact : {false, true}) {
        list.ImageCount = 0;
        list.ImageFiles.resize(1);
        ScanContext context(files, exact);
        // Breadth first, each folder's passes before the next folder, so
        // that every folder is listed once.
        std::vector<std::pair<std::string, int>> folders = {{std::string(folder), 0}};
        std::set<std::string> identities;
        if (subfolders == SubfolderOption::On) {
            if (const std::optional<std::string> identity = files.FolderIdentity(folder))
                identities.insert(*identity);
        }
        for (std::size_t next = 0; next < folders.size() && !context.capped(); ++next) {
            if (stopped())
                return;
            const std::string current = folders[next].first;
            for (const std::int16_t attribute : kPassAttributes) {
                list.ScanAttribute = attribute;
                for (std::size_t kind = 0; kind < kKindWildcards.size(); ++kind) {
                    if (image_kinds[kind] != ImageKindOption::On)
                        continue;
                    for (const std::string_view wildcard : KindWildcards(kind))
                        ScanPattern(list, JoinPath(current, wildcard), attribute, context);
                }
            }
            if (watch && watch->first_found && !told && list.ImageCount > 0) {
                told = true;
                watch->first_found(list.ImageFiles[1]);
            }
            if (subfolders == SubfolderOption::On)
                QueueSubfolders(current, folders[next].second, context.Listing(DirectoryPart(JoinPath(current, "*"))),
                                files, identities, folders);
        }
        if (!context.capped())
            break;
    }
    if (list.ImageCount > 1)
        SortImageList(list);
}

std::vector<std::string> SubfolderNames(const platform::FolderListing& listing)
{
    std::vector<std::string> names;
    for (const platform::FolderEntry& entry : listing.entries) {
        if ((entry.attributes & platform::kAttributeDirectory) != 0 &&
            (entry.attributes & (platform::kAttributeHidden | platform::kAttributeSystem)) == 0 &&
            entry.name != "." && entry.name != "..")
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), PathLessUtf16);
    return names;
}

// Every entry shares the folder part, so the sort compares from the end of
// the prefix they all share; skipping equal bytes cannot change an order
// decided at the first byte that differs.
void SortImageList(ImageList& list)
{
    const auto count = static_cast<std::size_t>(std::max<std::int16_t>(list.ImageCount, 0));
    const std::size_t end = std::min(count + 1, list.ImageFiles.size());
    if (end <= 2)
        return;
    const auto first = list.ImageFiles.begin() + 1;
    const auto last = list.ImageFiles.begin() + static_cast<std::ptrdiff_t>(end);
    std::size_t shared = first->size();
    for (auto it = first + 1; it != last && shared > 0; ++it)
        shared = std::min(shared, CommonPrefixLength(*first, *it));
    std::sort(first, last, [shared](const std::string& a, const std::string& b) {
        return PathLessUtf16(std::string_view(a).substr(shared), std::string_view(b).substr(shared));
    });
}

bool PathLessUtf16(std::string_view a, std::string_view b)
{
    const std::size_t common = CommonPrefixLength(a, b);
    if (common == a.size() || common == b.size())
        return a.size() < b.size();
    return kUtf16Ranks[static_cast<unsigned char>(a[common])] < kUtf16Ranks[static_cast<unsigned char>(b[common])];
}

}  // namespace nuvra
