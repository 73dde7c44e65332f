// A show whose picture folder takes long to walk starts with the first
// picture the walk finds, takes the whole list at the first change after the
// walk ends, and stops the walk when it ends first.
#include "images/image_scan.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "display/display_form.h"
#include "support/fake_show_platform.h"
#include "support/native_path.h"

namespace nuvra {
namespace {

using namespace std::chrono_literals;
using platform::FolderEntry;
using test::NativePath;

std::string FourDigits(int number)
{
    std::string text = std::to_string(number);
    return std::string(text.size() < 4 ? 4 - text.size() : 0, '0') + text;
}

// /pics holds z.bmp and the folders d0000, d0001, ..., each with one
// picture. Listing a subfolder waits until the gate is open, then takes
// delay.
class SlowTree final : public platform::FileSystem {
public:
    explicit SlowTree(int folders, std::chrono::milliseconds delay = 0ms) : m_delay(delay)
    {
        std::vector<FolderEntry> root = {{"z.bmp", platform::kAttributeArchive}};
        for (int i = 0; i < folders; ++i) {
            const std::string number = FourDigits(i);
            root.push_back({"d" + number, platform::kAttributeDirectory});
            m_files.AddFolder(Root() + platform::kPathSeparator + "d" + number, {{"p" + number + ".bmp", 0}});
        }
        m_files.AddFolder(Root(), root);
    }
    static std::string Root() { return NativePath("/pics"); }

    void Open()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }
    int listings() const { return m_listings; }

    platform::FolderListing ListFolder(std::string_view folder) override
    {
        ++m_listings;
        if (folder.find("d0") != std::string_view::npos) {
            std::unique_lock lock(m_mutex);
            m_opened.wait(lock, [this] { return m_open; });
            lock.unlock();
            std::this_thread::sleep_for(m_delay);
        }
        const std::lock_guard lock(m_files_mutex);
        return m_files.ListFolder(folder);
    }
    std::optional<std::string> FolderIdentity(std::string_view folder) override
    {
        const std::lock_guard lock(m_files_mutex);
        return m_files.FolderIdentity(folder);
    }
    bool CanOpenForReading(std::string_view) override { return false; }
    bool DeleteFile(std::string_view) override { return false; }
    bool ReplaceFile(std::string_view, std::span<const std::uint8_t>) override { return false; }
    std::uint32_t GetShortPathName(std::string_view, std::span<char>) override { return 0; }
    std::string SettingsFolder() override { return {}; }
    std::string WorkFolder() override { return {}; }

private:
    test::FakeFileSystem m_files;
    std::mutex m_files_mutex;
    std::chrono::milliseconds m_delay;
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
    std::atomic<int> m_listings{0};
};

constexpr ImageKindOptions kAllKinds = [] {
    ImageKindOptions kinds{};
    kinds.fill(ImageKindOption::On);
    return kinds;
}();

std::string Picture(int folder)
{
    const std::string number = FourDigits(folder);
    return NativePath("/pics/d" + number + "/p" + number + ".bmp");
}

TEST(ImageScan, AShowStartsWithTheFirstPictureFoundAndGetsTheWholeListSortedWhenTheWalkEnds)
{
    SlowTree tree(3);
    ImageList list;
    std::shared_ptr<ImageScan> scan =
        ListPicturesForShow(list, kAllKinds, SlowTree::Root(), tree, SubfolderOption::On);
    ASSERT_NE(scan, nullptr) << "the show waited for a walk that cannot end";
    ASSERT_EQ(list.ImageCount, 1);
    EXPECT_EQ(list.ImageFiles[1], NativePath("/pics/z.bmp"));
    EXPECT_FALSE(scan->Done());

    tree.Open();
    const ImageList whole = scan->TakeList();
    EXPECT_TRUE(scan->Done());
    EXPECT_EQ(whole.ImageFiles, (std::vector<std::string>{"", Picture(0), Picture(1), Picture(2),
                                                           NativePath("/pics/z.bmp")}));

    // Without subfolders the one listing is done within the grace.
    ImageList flat;
    EXPECT_EQ(ListPicturesForShow(flat, kAllKinds, SlowTree::Root(), tree, SubfolderOption::Off), nullptr);
    EXPECT_EQ(flat.ImageCount, 1);
}

// The show's fakes with the pictures of a SlowTree.
struct ShowPlatform : test::FakeShowPlatform {
    ShowPlatform()
    {
        const auto solid = [](std::uint32_t colour) {
            return test::MakePicture(64, 48, 24, [colour](std::int32_t, std::int32_t) { return colour; });
        };
        pictures.Add(NativePath("/pics/z.bmp"), solid(0x102030));
        for (int i = 0; i < 3; ++i)
            pictures.Add(Picture(i), solid(0x405060 + static_cast<std::uint32_t>(i)));
    }
};

TEST(ShowScan, ChangesWaitForTheWalkThenTheWholeListIsShownFromItsFirstPlace)
{
    ShowPlatform fake;
    ProcessState state;
    SlowTree tree(3);
    NuvraB& b = state.nuvra_b;
    b.settings.ChangeInterval = 1;
    b.settings.OrderMode = OrderModeOption::FileOrder;
    b.PendingScan = ListPicturesForShow(b.images, kAllKinds, SlowTree::Root(), tree, SubfolderOption::On);
    const std::shared_ptr<ImageScan> scan = b.PendingScan;
    ASSERT_NE(scan, nullptr);
    b.images.ShowOrder = {0, 1};  // as start-up orders the list of one

    DisplayForm form(state, fake.platform, ShowStart::System);
    std::vector<std::string> shown;  // the picture on screen after each pump
    fake.windows.on_pump = [&](int pump) {
        shown.push_back(ListedPicturePath(b.images, form.form().PictureIndex));
        // The walk ends after the third change was due.
        if (pump == 2) {
            tree.Open();
            ASSERT_TRUE(scan->WaitUntilDone(10s));
        }
        fake.clock.now += 1000;
    };
    fake.windows.script.resize(5);
    fake.windows.script.push_back({test::Key(platform::Key::Character)});
    EXPECT_EQ(form.Form_Load(), kExitShowEnded);

    const std::string first = NativePath("/pics/z.bmp");
    ASSERT_GE(shown.size(), 6u);
    EXPECT_EQ(std::vector(shown.begin(), shown.begin() + 6),
              (std::vector<std::string>{first, first, first, Picture(0), Picture(1), Picture(2)}));
    EXPECT_EQ(b.images.ImageCount, 4);
}

TEST(ShowScan, TheEndOfTheShowStopsTheWalkAtItsNextFolder)
{
    ShowPlatform fake;
    ProcessState state;
    constexpr int kFolders = 2000;
    SlowTree tree(kFolders, 2ms);
    tree.Open();
    NuvraB& b = state.nuvra_b;
    b.PendingScan = ListPicturesForShow(b.images, kAllKinds, SlowTree::Root(), tree, SubfolderOption::On);
    ASSERT_NE(b.PendingScan, nullptr);
    fake.windows.script = {{}, {test::Key(platform::Key::Character)}};
    {
        DisplayForm form(state, fake.platform, ShowStart::System);
        EXPECT_EQ(form.Form_Load(), kExitShowEnded);
    }
    const int listings = tree.listings();
    EXPECT_LT(listings, kFolders) << "the walk went on to the end";
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(tree.listings(), listings) << "the walk outlived the show";
}

}  // namespace
}  // namespace nuvra
