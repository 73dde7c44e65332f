#include "images/image_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <random>

#include "files/paths.h"
#include "support/fake_platform.h"
#include "support/native_path.h"

namespace nuvra {
namespace {

using platform::FolderEntry;
using test::FakeFileSystem;
using test::FakeRandom;
using test::NativePath;
using test::NativePaths;

using enum ImageKindOption;

constexpr ImageKindOptions kAllKinds = {On, On, On, On};

std::vector<std::string> Listed(const ImageList& list)
{
    return {list.ImageFiles.begin() + 1, list.ImageFiles.begin() + 1 + list.ImageCount};
}

ImageList ListOfCount(std::int16_t count)
{
    ImageList list;
    list.ImageCount = count;
    list.ImageFiles.resize(static_cast<std::size_t>(count) + 1);
    return list;
}

// Independent uniform draws from a fixed seed.
class SeededRandom final : public platform::Random {
public:
    explicit SeededRandom(std::uint64_t seed) : m_engine(seed) {}
    void Randomize() override {}
    double Rnd() override { return static_cast<double>(m_engine() >> 11) * 0x1.0p-53; }

private:
    std::mt19937_64 m_engine;
};

// The pick-th rule by the plain walk over the used-marks: the oracle.
std::vector<std::int16_t> WalkShowOrder(std::int32_t count, platform::Random& random)
{
    std::vector<std::int16_t> unused(static_cast<std::size_t>(count));
    std::iota(unused.begin(), unused.end(), std::int16_t{1});
    std::vector<std::int16_t> order = {0};
    for (std::int32_t remaining = count; remaining > 0; --remaining) {
        const auto pick = static_cast<std::ptrdiff_t>(std::floor(random.Rnd() * remaining));
        order.push_back(unused[static_cast<std::size_t>(pick)]);
        unused.erase(unused.begin() + pick);
    }
    return order;
}

TEST(PathHelpers, AddBackslashParentFolderAndDirectoryPart)
{
    const struct {
        const char *path, *add_backslash, *parent, *directory;
    } cases[] = {
        {"", "/", "", "/"},                         {"   ", "/", "", "/"},
        {"/pics", "/pics/", "", "/"},               {"/pics  ", "/pics/", "", "/"},
        {"/pics/", "/pics/", "/pics", "/pics/"},    {"/pics/*.bmp", "/pics/*.bmp/", "/pics", "/pics/"},
        {"/*.bmp", "/*.bmp/", "", "/"},             {"//*.bmp", "//*.bmp/", "/", "//"},
        {"/p//*.bmp", "/p//*.bmp/", "/p/", "/p//"}, {"name.bmp", "name.bmp/", "", "/"},
        {"a:*.bmp", "a:*.bmp/", "a:", "a:/"},       {"/a:b/c d/*.jpg", "/a:b/c d/*.jpg/", "/a:b/c d", "/a:b/c d/"},
    };
    for (const auto& c : cases) {
        const std::string path = NativePath(c.path);
        EXPECT_EQ(AddBackslash(path), NativePath(c.add_backslash)) << "AddBackslash(\"" << path << "\")";
        EXPECT_EQ(ParentFolder(path), NativePath(c.parent)) << "ParentFolder(\"" << path << "\")";
        EXPECT_EQ(DirectoryPart(path), NativePath(c.directory)) << "DirectoryPart(\"" << path << "\")";
    }
}

TEST(PathHelpers, WildcardMatchFoldsAsciiCaseOnly)
{
    const struct {
        const char *name, *pattern;
        bool expected;
    } cases[] = {
        {"x.jpg", "*.jpg", true},      {"x.JPG", "*.jpg", true},      {"X.Jpg", "*.JPG", true},
        {"x.jpgx", "*.jpg", false},    {"x.jp", "*.jpg", false},      {"jpg", "*.jpg", false},
        {"a.jpg.bmp", "*.bmp", true},  {"a.bmp.jpg", "*.bmp", false}, {"noext", "*.*", true},
        {"a", "a.*", true},            {"b", "a.*", false},           {"ab.bmp", "?.bmp", false},
        {"\xC3\xA9.bmp", "?.bmp", true}, {"\xC3\x89.BMP", "\xC3\xA9.bmp", false},
        {"aXbXc", "a*b*c", true},      {"abcab", "*ab", true},        {"a", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.expected) << "\"" << c.name << "\" by \"" << c.pattern << "\"";
}

TEST(BuildImageList, ListsOnlyTheThreePassAttributesFromOneListing)
{
    FakeFileSystem files;
    files.AddFolder(NativePath("/pics"), {{"b.jpg", 32}, {"A.bmp", 0}, {"c.gif", 33}, {"r.wmf", 1}, {".h.bmp", 34},
                                          {"s.bmp", 4}, {"d.bmp", 16}, {"hr.gif", 3}, {"n.txt", 32}, {"x.JPG", 32}});
    ImageList list;
    BuildImageList(list, kAllKinds, NativePath("/pics"), files);
    EXPECT_EQ(Listed(list), NativePaths({"/pics/A.bmp", "/pics/b.jpg", "/pics/r.wmf", "/pics/x.JPG"}));
    EXPECT_EQ(files.listed, NativePaths({"/pics/"})) << "one listing serves all twelve scans";
}

TEST(BuildImageList, SubfoldersAreEachTakenOnceInTheOrderOfTheirRelativePaths)
{
    constexpr ImageKindOptions every_kind = {On, On, On, On, On, On};
    FakeFileSystem files;
    // Hidden (2) and system (4) folders are passed by; "loop" is a link back
    // to the picture folder and "twin" one to "sub" (which comes first by
    // name); "gone" cannot be listed.
    files.AddFolder(NativePath("/pics"), {{".", 18}, {"..", 18}, {"z.jpg", 32}, {"twin", 16}, {".cache", 18},
                                          {"sys", 20}, {"loop", 16}, {"gone", 16}, {"sub", 16}});
    files.AddFolder(NativePath("/pics/sub"), {{".", 18}, {"b.png", 32}, {"deeper", 16}});
    files.AddFolder(NativePath("/pics/sub/deeper"), {{"c.bmp", 0}, {"d.webp", 1}});
    files.AddFolder(NativePath("/pics/.cache"), {{"h.jpg", 32}});
    files.AddFolder(NativePath("/pics/sys"), {{"s.jpg", 32}});
    files.AddFolder(NativePath("/pics/loop"), {{"z.jpg", 32}, {"sub", 16}});
    files.identities[NativePath("/pics/loop")] = NativePath("/pics");
    files.AddFolder(NativePath("/pics/twin"), {{"b.png", 32}, {"deeper", 16}});
    files.identities[NativePath("/pics/twin")] = NativePath("/pics/sub");

    ImageList list;
    BuildImageList(list, every_kind, NativePath("/pics"), files);
    EXPECT_EQ(Listed(list), NativePaths({"/pics/z.jpg"})) << "without subfolders, the folder alone";
    BuildImageList(list, every_kind, NativePath("/pics"), files, SubfolderOption::On);
    EXPECT_EQ(Listed(list), NativePaths({"/pics/sub/b.png", "/pics/sub/deeper/c.bmp", "/pics/sub/deeper/d.webp",
                                         "/pics/z.jpg"}));
}

TEST(BuildImageList, KindsAndFolderSpellings)
{
    const std::vector<FolderEntry> entries = {{"c.bmp", 32}, {"a.gif", 32}, {"b.jpg", 0}, {"d.wmf", 1}};
    const struct {
        const char* name;
        ImageKindOptions kinds;
        const char *folder, *stored_as, *listed_as;  // stored_as: the fake's key
        std::vector<std::string> expected;
    } cases[] = {
        {"all kinds", kAllKinds, "/p", "/p", "/p/", {"/p/a.gif", "/p/b.jpg", "/p/c.bmp", "/p/d.wmf"}},
        {"no gif", {On, Off, On, On}, "/p", "/p", "/p/", {"/p/b.jpg", "/p/c.bmp", "/p/d.wmf"}},
        {"only an exact On turns a kind on (2 and -1 name no option)",
         {ImageKindOption{2}, ImageKindOption{-1}, On, Off},
         "/p", "/p", "/p/", {"/p/b.jpg"}},
        {"trailing separator doubles", {On, Off, Off, Off}, "/p/", "/p", "/p//", {"/p//c.bmp"}},
        {"root doubles", {On, Off, Off, Off}, "/", "/", "//", {"//c.bmp"}},
        {"relative folder", {On, Off, Off, Off}, "p", "p", "p/", {"p/c.bmp"}},
    };
    for (const auto& c : cases) {
        FakeFileSystem files;
        files.AddFolder(NativePath(c.stored_as), entries);
        ImageList list;
        BuildImageList(list, c.kinds, NativePath(c.folder), files);
        EXPECT_EQ(Listed(list), NativePaths(c.expected)) << c.name;
        EXPECT_EQ(files.listed, NativePaths({c.listed_as})) << c.name;
    }
}

TEST(BuildImageList, TheWebpKindTakesHeifAndAvifPhotosWhereTheyAreDecoded)
{
    FakeFileSystem files;
    files.AddFolder(NativePath("/p"), {{"a.HEIC", 32}, {"b.avif", 32}, {"c.webp", 32}, {"d.heif", 32}, {"e.png", 32}});
    ImageList list;
    BuildImageList(list, {Off, Off, Off, Off, Off, On}, NativePath("/p"), files);
#if defined(NUVRA_HEIF_PHOTOS)
    EXPECT_EQ(Listed(list), NativePaths({"/p/a.HEIC", "/p/b.avif", "/p/c.webp", "/p/d.heif"}));
#else
    EXPECT_EQ(Listed(list), NativePaths({"/p/c.webp"}));
#endif
    EXPECT_EQ(files.listed.size(), 1u) << "one listing serves every wildcard";
}

TEST(BuildImageList, RebuildsReplaceTheListAndTheCountStopsAt32767)
{
    std::vector<FolderEntry> many;
    for (int i = 0; i < kMaxImageCount + 40; ++i)
        many.push_back({std::to_string(i) + ".bmp", i % 2 == 0 ? 0u : 32u});
    FakeFileSystem files;
    files.AddFolder("/many", std::move(many));
    files.AddFolder(NativePath("/one"), {{"z.gif", 0}});
    ImageList list;
    BuildImageList(list, kAllKinds, "/many", files);
    EXPECT_EQ(list.ImageCount, kMaxImageCount);
    EXPECT_TRUE(std::is_sorted(list.ImageFiles.begin() + 1, list.ImageFiles.end(),
                               [](const std::string& a, const std::string& b) { return PathLessUtf16(a, b); }));

    const struct {
        const char* folder;
        std::vector<std::string> expected;
    } rebuilds[] = {{"/one", {"/one/z.gif"}}, {"/gone", {}}, {"", {}}};
    for (const auto& c : rebuilds) {
        BuildImageList(list, kAllKinds, NativePath(c.folder), files);
        EXPECT_EQ(Listed(list), NativePaths(c.expected)) << "folder \"" << c.folder << "\"";
        EXPECT_EQ(list.ImageFiles.size(), c.expected.size() + 1) << "nothing of the longer list lingers";
    }
}

// The fake's folders, with ListFolderTypes showing read-only files as
// writable ones, as a system may where the write test costs a call a file.
class TypesOnlyFileSystem final : public platform::FileSystem {
public:
    explicit TypesOnlyFileSystem(FakeFileSystem& files) : m_files(files) {}
    platform::FolderListing ListFolder(std::string_view folder) override
    {
        ++exact_listings;
        return m_files.ListFolder(folder);
    }
    platform::FolderListing ListFolderTypes(std::string_view folder) override
    {
        ++types_listings;
        platform::FolderListing listing = m_files.ListFolder(folder);
        for (FolderEntry& entry : listing.entries) {
            if (entry.attributes == 1)
                entry.attributes = 32;
        }
        return listing;
    }
    bool CanOpenForReading(std::string_view path) override { return m_files.CanOpenForReading(path); }
    bool DeleteFile(std::string_view path) override { return m_files.DeleteFile(path); }
    bool ReplaceFile(std::string_view path, std::span<const std::uint8_t> bytes) override
    {
        return m_files.ReplaceFile(path, bytes);
    }
    std::uint32_t GetShortPathName(std::string_view path, std::span<char> buffer) override
    {
        return m_files.GetShortPathName(path, buffer);
    }
    std::string SettingsFolder() override { return m_files.SettingsFolder(); }
    std::string WorkFolder() override { return m_files.WorkFolder(); }

    int exact_listings = 0;
    int types_listings = 0;

private:
    FakeFileSystem& m_files;
};

TEST(BuildImageList, TheReadOnlyFlagIsReadOnlyWhenTheListFillsUp)
{
    // Read-only files (1) come a pass after writable ones (32). Below the
    // cap the sort hides that order, so the cheap listing serves; at the
    // cap it decides which files are left out, and the exact one is read.
    for (const int count : {100, kMaxImageCount + 40}) {
        std::vector<FolderEntry> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back({std::to_string(i) + ".jpg", i % 3 == 0 ? 1u : 32u});
        FakeFileSystem fake;
        fake.AddFolder("/photos", std::move(entries));
        ImageList exact;
        BuildImageList(exact, kAllKinds, "/photos", fake);

        TypesOnlyFileSystem files(fake);
        ImageList list;
        BuildImageList(list, kAllKinds, "/photos", files);
        EXPECT_EQ(Listed(list), Listed(exact)) << count << " files";
        EXPECT_EQ(files.types_listings, 1) << count << " files";
        EXPECT_EQ(files.exact_listings, count > kMaxImageCount ? 1 : 0) << count << " files";
    }
}

// UTF-16 code units of valid UTF-8.
std::u16string ToUtf16(std::string_view text)
{
    std::u16string units;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        if (code >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            code = 0xDC00 + ((code - 0x10000) & 0x3FF);
        }
        units += static_cast<char16_t>(code);
        i += length;
    }
    return units;
}

TEST(PathLessUtf16, AgreesWithUtf16CodeUnitOrderAndOrdersInvalidBytesToo)
{
    // Letters on both sides of every boundary where UTF-8 and UTF-16 orders part.
    const std::vector<std::string> letters = {
        "B", "a", "\xC3\xA9", "\xE6\x97\xA5", "\xED\x9F\xBF" /* U+D7FF */, "\xEE\x80\x80" /* U+E000 */,
        "\xEF\xBC\xA1" /* U+FF21 */, "\xF0\x90\x80\x80" /* U+10000 */, "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF",
    };
    std::vector<std::string> words = {""};
    for (const std::string& first : letters) {
        words.push_back(first);
        for (const std::string& second : letters)
            words.push_back(first + second);
    }
    for (const std::string& a : words) {
        for (const std::string& b : words)
            ASSERT_EQ(PathLessUtf16(a, b), ToUtf16(a) < ToUtf16(b)) << "\"" << a << "\" < \"" << b << "\"";
    }

    // Any bytes: sorted, every word is less than each later one and not
    // the other way round, which a strict weak order needs.
    std::vector<std::string> bytes = {""};
    for (const char first : std::string("\x00" "Aa\x80\xC3\xED\xEE\xEF\xF0\xF4\xF5\xFF", 12)) {
        bytes.emplace_back(1, first);
        for (const char second : std::string("\x00" "a\x80\xEE\xF0\xFF", 6))
            bytes.push_back(std::string{first, second});
    }
    std::sort(bytes.begin(), bytes.end(), [](const std::string& a, const std::string& b) { return PathLessUtf16(a, b); });
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (std::size_t j = i; j < bytes.size(); ++j)
            ASSERT_EQ(PathLessUtf16(bytes[j], bytes[i]), false) << "byte words " << j << " and " << i;
        if (i + 1 < bytes.size()) {
            ASSERT_TRUE(PathLessUtf16(bytes[i], bytes[i + 1])) << "byte words " << i << " and " << i + 1;
        }
    }
}

TEST(BuildShowOrder, SequentialModeGrowsShowOrderAndAnEmptyListIsLeftAlone)
{
    FakeRandom random;
    ImageList list = ListOfCount(4);  // ShowOrder too small: it must grow
    BuildShowOrder(list, OrderModeOption::FileOrder, random);
    EXPECT_EQ(list.ShowOrder, (std::vector<std::int16_t>{0, 1, 2, 3, 4}));

    ImageList empty = ListOfCount(0);
    empty.ShowOrder = {0, 7};
    BuildShowOrder(empty, OrderModeOption::Random, random);
    EXPECT_EQ(empty.ShowOrder, (std::vector<std::int16_t>{0, 7}));
    EXPECT_EQ(random.randomize_calls, 0);
}

TEST(BuildShowOrder, ScriptedDrawsGiveThePickThUnusedIndex)
{
    const struct {
        const char* name;
        std::vector<double> draws;
        std::vector<std::int16_t> expected;
    } cases[] = {
        // 0.5*5 -> 3rd of 1..5; 0 -> 1st of {1,2,4,5}; 0.99*3 -> 3rd of {2,4,5}; ...
        {"ordinary draws", {0.5, 0.0, 0.99, 0.3, 0.0}, {0, 3, 1, 5, 2, 4}},
        {"all zero", {0, 0, 0, 0, 0}, {0, 1, 2, 3, 4, 5}},
        {"just below one", {0.9999, 0.9999, 0.9999, 0.9999, 0.9999}, {0, 5, 4, 3, 2, 1}},
        {"out of range draws are held to the unused indexes",
         {1.0, 2.0, -0.5, std::numeric_limits<double>::quiet_NaN(), 0.9999999999999999}, {0, 5, 4, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        FakeRandom random;
        random.values.assign(c.draws.begin(), c.draws.end());
        ImageList list = ListOfCount(5);
        BuildShowOrder(list, OrderModeOption::Random, random);
        EXPECT_EQ(list.ShowOrder, c.expected) << c.name;
        EXPECT_EQ(random.randomize_calls, 1) << c.name << ": seeded once per order";
    }
}

TEST(BuildShowOrder, MatchesThePlainWalkForEveryCount)
{
    for (const std::int16_t count : std::initializer_list<std::int16_t>{1, 2, 3, 7, 64, 1000, 4099, kMaxImageCount}) {
        for (std::uint64_t round = 0; round < (count > 1000 ? 2u : 20u); ++round) {
            SeededRandom random(round * 40000 + static_cast<std::uint64_t>(count));
            SeededRandom oracle_random(round * 40000 + static_cast<std::uint64_t>(count));
            ImageList list = ListOfCount(count);
            // A stored 2 names no order; like every number but 0 it shuffles.
            BuildShowOrder(list, static_cast<OrderModeOption>(2), random);
            ASSERT_EQ(list.ShowOrder, WalkShowOrder(count, oracle_random)) << "count " << count << ", round " << round;
        }
    }
}

TEST(BuildShowOrder, EveryPositionAndEveryOrderIsEquallyLikely)
{
    constexpr int kCount = 5;
    constexpr int kDraws = 20000;
    SeededRandom random(20240601);
    ImageList list = ListOfCount(kCount);
    std::array<std::array<int, kCount + 1>, kCount + 1> seen{};  // [position][index]
    std::map<std::vector<std::int16_t>, int> orders;
    for (int draw = 0; draw < kDraws; ++draw) {
        BuildShowOrder(list, OrderModeOption::Random, random);
        for (std::size_t position = 1; position <= kCount; ++position)
            ++seen[position][static_cast<std::size_t>(list.ShowOrder[position])];
        ++orders[list.ShowOrder];
    }
    // Chi-square bounds that a correct shuffle exceeds with probability below
    // 1e-7: 4 degrees of freedom per position, 119 over the 120 orders.
    const double per_index = static_cast<double>(kDraws) / kCount;
    for (std::size_t position = 1; position <= kCount; ++position) {
        double chi_square = 0;
        for (std::size_t index = 1; index <= kCount; ++index)
            chi_square += std::pow(seen[position][index] - per_index, 2) / per_index;
        EXPECT_LT(chi_square, 40.0) << "position " << position;
    }
    ASSERT_EQ(orders.size(), 120u);
    const double per_order = static_cast<double>(kDraws) / 120;
    double chi_square = 0;
    for (const auto& [order, times] : orders)
        chi_square += std::pow(times - per_order, 2) / per_order;
    EXPECT_LT(chi_square, 220.0);
}

}  // namespace
}  // namespace nuvra
