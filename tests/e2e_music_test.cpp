// The show's music, on the real binary under a private X server, heard
// through SDL's disk audio driver: a generated CD image whose tracks are
// told apart by their tones, stepped with the arrow keys without ending the
// show, and MP3 and WAV files played until the show ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/e2e_harness.h"
#include "support/e2e_pictures.h"
#include "support/tone_audio.h"

namespace nuvra::e2e {
namespace {

constexpr Region kWatched{600, 200, 80, 80};

class E2eMusicTest : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(WritePatternPicture(home.PicturePath("pattern.bmp"), 800, 600));
        capture = (home.dir().path() / "played.raw").string();
    }

    void WriteSettings(const std::vector<std::pair<std::string, std::string>>& music)
    {
        std::vector<std::pair<std::string, std::string>> keys = {{"画像のﾌｫﾙﾀﾞ", home.PicturesFolder()},
                                                                 {"回転ｽﾋﾟｰﾄﾞ", "7"}};
        keys.insert(keys.end(), music.begin(), music.end());
        home.WriteSettings(keys);
    }
    // A show playing into the capture file, its first frame drawn.
    std::unique_ptr<Show> StartShow(const std::string& cd_image = {})
    {
        std::map<std::string, std::string> audio = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", capture}};
        if (!cd_image.empty())
            audio["NUVRA_CDROM"] = cd_image;
        auto show = std::make_unique<Show>(*s_server, home, NUVRA_BINARY, std::vector<std::string>{"/s"}, audio);
        EXPECT_TRUE(show->WaitForPicture(kScreenWidth / 2, kScreenHeight / 2)) << show->Output();
        return show;
    }
    // Waits until the last quarter second written holds tone (an index
    // into tones) in nearly every window.
    bool Hears(int tone, const std::vector<double>& tones)
    {
        const std::size_t span = test::Frames(0.25);
        return WaitUntil(
            [&] {
                const std::vector<std::int16_t> left = test::ReadCapture(capture);
                if (left.size() < span)
                    return false;
                const std::vector<int> windows = test::Classify(left, left.size() - span, left.size(), tones);
                heard = test::Describe(windows);
                const auto matching = std::count(windows.begin(), windows.end(), tone);
                return matching + 1 >= static_cast<long>(windows.size());
            },
            Patience(8s), 20ms);
    }

    std::string capture;
    std::string heard;  // the last stretch Hears classified
};

TEST_F(E2eMusicTest, ArrowKeysStepTheCdTracksWithoutEndingTheShow)
{
    const std::vector<double> tones = {330.0, 660.0, 1320.0};
    const std::string disc = test::WriteToneDisc(home.dir(), tones, 6);
    WriteSettings({{"BGM区分", "1"}, {"BGMﾘﾋﾟｰﾄ", "0"}});
    auto show = StartShow(disc);
    ASSERT_TRUE(Hears(0, tones)) << "expected track 1, heard " << heard << "\n" << show->Output();

    struct Step {
        const char* key;
        int expected_track;
    };
    for (const Step& step : {Step{"Right", 2}, Step{"Right", 3}, Step{"Left", 2}, Step{"Left", 1}}) {
        SCOPED_TRACE(std::string(step.key) + " to track " + std::to_string(step.expected_track));
        ASSERT_TRUE(server().Xdotool({"key", step.key}));
        EXPECT_TRUE(Hears(step.expected_track - 1, tones)) << "heard " << heard;
        ASSERT_TRUE(show->WaitForTwoFrames(kWatched)) << "the show stopped";
        ASSERT_TRUE(show->Running());
    }
    // Any other key, even another arrow, ends it.
    ASSERT_TRUE(server().Xdotool({"key", "Up"}));
    ExpectCleanEnd(*show, "the Up key");
}

TEST_F(E2eMusicTest, Mp3AndWavMusicPlaysUntilTheShowEnds)
{
    struct Case {
        const char* file;
        double hz;
        bool encode;
    };
    // A blank in the folder's name, quotes in a file's; endings in either
    // case.
    std::filesystem::create_directories(home.dir().path() / "my music");
    for (const Case& c : {Case{"my music/song.mp3", 440.0, true}, Case{"my music/LOOP.WAV", 880.0, false},
                          Case{"my music/\"quoted\".mp3", 660.0, true}}) {
        SCOPED_TRACE(c.file);
        const std::string path = (home.dir().path() / c.file).string();
        const std::string wav = test::WavFile(test::Tone(c.hz, 3.0));
        if (c.encode) {
            const std::string source = home.dir().WriteFile("source.wav", wav);
            ASSERT_EQ(RunTool({"lame", "--quiet", "-b", "128", source, path}), 0) << "lame is needed";
        } else {
            home.dir().WriteFile(c.file, wav);
        }
        std::filesystem::remove(capture);
        WriteSettings({{"BGM区分", "2"}, {"BGMﾌｧｲﾙ", path}});
        auto show = StartShow();
        EXPECT_TRUE(Hears(0, {c.hz})) << "heard " << heard << "\n" << show->Output();
        ASSERT_TRUE(show->Running());
        ASSERT_TRUE(server().Xdotool({"click", "1"}));
        ExpectCleanEnd(*show, "a button");
        // Nothing of the music is left in the work folder either.
        for (const auto& entry : std::filesystem::directory_iterator(home.dir().path() / "cache" / "nuvra"))
            EXPECT_EQ(entry.path().filename().string().find("music"), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace nuvra::e2e
