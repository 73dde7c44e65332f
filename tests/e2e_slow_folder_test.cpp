// A picture folder that takes a minute to walk, on the real binary under a
// private X server: the show comes up with the first picture the walk finds,
// long before the walk could end, and a key ends it at once, walk and all.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"

namespace nuvra::e2e {
namespace {

class E2eSlowFolderTest : public ShowTest {};

TEST_F(E2eSlowFolderTest, AFolderTreeSlowToWalkShowsItsFirstPictureAndAKeyStillEndsTheShow)
{
    // 300 folders of one picture each, every listing slowed by 200 ms: a
    // minute to walk, longer than any wait below.
    constexpr int kFolders = 300;
    const std::filesystem::path tree = home.dir().path() / "slow-tree";
    std::filesystem::create_directories(tree);
    const std::filesystem::path picture = home.dir().path() / "pattern.bmp";
    ASSERT_TRUE(WritePatternPicture(picture.string(), 320, 240));
    for (int i = 0; i < kFolders; ++i) {
        const std::filesystem::path folder = tree / ("d" + std::to_string(10000 + i));
        std::filesystem::create_directory(folder);
        std::filesystem::create_hard_link(picture, folder / "p.bmp");
    }
    home.WriteSettings({{"画像のﾌｫﾙﾀﾞ", tree.string()}, {"ｻﾌﾞﾌｫﾙﾀﾞ", "1"}, {"ｲﾝﾀｰﾊﾞﾙ", "10"}});

    // The sanitizers' runtime would otherwise insist on coming first.
    const char* inherited = std::getenv("ASAN_OPTIONS");
    std::string asan = std::string(inherited != nullptr ? inherited : "");
    asan += std::string(asan.empty() ? "" : ":") + "detect_leaks=0:verify_asan_link_order=0";
    Show show(server(), home, NUVRA_BINARY, {"/s"},
              {{"LD_PRELOAD", NUVRA_SLOW_LISTING}, {"SLOW_LISTING_MS", "200"}, {"ASAN_OPTIONS", asan}});
    ASSERT_TRUE(show.WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show.Output();
    ASSERT_TRUE(show.WaitForTwoFrames({kScreenWidth / 2, kScreenHeight / 2 - 100, 100, 100})) << show.Output();
    ASSERT_TRUE(server().Xdotool({"key", "Escape"}));
    ExpectCleanEnd(show, "a key while the walk goes on");
}

}  // namespace
}  // namespace nuvra::e2e
