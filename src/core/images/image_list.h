// The image list: the picture files of the chosen folder, sorted, and the
// order in which the show visits them.
//
// BuildImageList is called by LoadSettings and by the dialog's kind toggles,
// and for a show on a worker (ImageScan);
// BuildShowOrder by start-up and by the display after each complete pass.
// Indexes start at 1; entry 0 of both arrays is never used. Nothing here
// reports an error: an unreadable folder leaves the entries found so far.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "settings/settings_record.h"

namespace nuvra {

// The count is 16-bit; a folder with more matching files stops growing the
// list here.
inline constexpr std::int16_t kMaxImageCount = 32767;

struct ImageList {
    std::int16_t ImageCount = 0;
    std::vector<std::string> ImageFiles = std::vector<std::string>(1);  // full paths at 1..ImageCount
    std::vector<std::int16_t> ShowOrder;  // a permutation of 1..ImageCount at 1..ImageCount
    std::int16_t ScanAttribute = 0;       // attribute value of the pass in progress
};

// Wildcards of the picture kinds, in scan order (index into ImageKinds).
inline constexpr std::array<std::string_view, 6> kKindWildcards = {"*.bmp", "*.gif", "*.jpg",
                                                                   "*.wmf", "*.png", "*.webp"};
static_assert(kKindWildcards.size() == ImageKindOptions().size());

// Every wildcard a kind's scan takes, its own first: the WebP kind takes
// today's other phone and web photo formats too, HEIF and AVIF, where the
// decoders were built with them.
#if defined(NUVRA_HEIF_PHOTOS)
inline constexpr std::array<std::string_view, 4> kWebpKindWildcards = {"*.webp", "*.heic", "*.heif", "*.avif"};
#else
inline constexpr std::array<std::string_view, 1> kWebpKindWildcards = {"*.webp"};
#endif
inline std::span<const std::string_view> KindWildcards(std::size_t kind)
{
    if (kind == 5)
        return kWebpKindWildcards;
    return {&kKindWildcards[kind], 1};
}

// Fills ImageCount and ImageFiles from folder and the kinds that are On,
// and with subfolders On from every folder under it too: hidden and system
// folders are passed by, one that cannot be listed gives nothing, and a
// folder reached a second time (a link that loops, one folder linked from
// two places) or deeper than kMaxFolderDepth is not entered.
inline constexpr int kMaxFolderDepth = 64;

// What a walk run on a worker shares with the thread that waits for it:
// told of the first picture as soon as one folder has given one, and asked
// between two folders whether to go on. A walk told to stop leaves the list
// as far as it got, unsorted.
struct ScanWatch {
    std::function<void(const std::string& first)> first_found;
    const std::atomic<bool>* stop = nullptr;
};

void BuildImageList(ImageList& list, const ImageKindOptions& image_kinds, std::string_view folder,
                    platform::FileSystem& files, SubfolderOption subfolders = SubfolderOption::Off,
                    const ScanWatch* watch = nullptr);

// The folder listings that the scans of one BuildImageList share: each
// directory part is listed once and every pattern and pass filters that one
// listing, instead of asking the file system twelve times.
class ScanContext {
public:
    // exact false: the listings may show read-only files as writable ones
    // (FileSystem::ListFolderTypes).
    explicit ScanContext(platform::FileSystem& files, bool exact = true) : m_files(files), m_exact(exact) {}

    // The listing of directory, read on first use.
    const platform::FolderListing& Listing(const std::string& directory);
    bool exact() const { return m_exact; }
    // A match was left out because the list was full.
    bool capped() const { return m_capped; }
    void set_capped() { m_capped = true; }

private:
    platform::FileSystem& m_files;
    bool m_exact;
    bool m_capped = false;
    std::string m_directory;
    std::optional<platform::FolderListing> m_listing;
};

// Appends to the list every file of pattern's folder whose name matches the
// pattern's name part and whose attribute value equals attribute exactly.
// Stops at kMaxImageCount.
void ScanPattern(ImageList& list, std::string_view pattern, std::int16_t attribute, ScanContext& context);

// The names of the folders a listing holds that a walk through subfolders
// enters: not ".", "..", hidden or system ones; in PathLessUtf16 order.
std::vector<std::string> SubfolderNames(const platform::FolderListing& listing);

// One step of a walk through subfolders: appends to folders, at depth + 1,
// the subfolders of folder that listing (folder's own) holds, in
// SubfolderNames order, leaving out any whose identity is already in
// identities (and adding the identities of those it takes); nothing when
// depth is kMaxFolderDepth.
void QueueSubfolders(const std::string& folder, int depth, const platform::FolderListing& listing,
                     platform::FileSystem& files, std::set<std::string>& identities,
                     std::vector<std::pair<std::string, int>>& folders);

// Sorts ImageFiles[1..ImageCount] by PathLessUtf16.
void SortImageList(ImageList& list);

// Fills ShowOrder[1..ImageCount]: the list order for FileOrder, a fresh
// uniform permutation for any other number. Does nothing when ImageCount is
// below 1.
void BuildShowOrder(ImageList& list, OrderModeOption order_mode, platform::Random& random);

// Ascending order of UTF-16 code units, the order the list is sorted in.
bool PathLessUtf16(std::string_view a, std::string_view b);

}  // namespace nuvra
