// The numbers the settings file stores for the order, the placement, the
// picture kinds and the music, named by an option or not, from the file
// through a whole show and back to the file: each keeps the show it has
// always given, and a save writes back exactly the number that was read.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "display/display_form.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "startup/command_line.h"
#include "startup/startup.h"
#include "support/fake_pictures.h"
#include "support/fake_show_platform.h"
#include "support/fake_windows.h"
#include "support/native_path.h"

namespace nuvra {
namespace {

using test::Key;

constexpr platform::Key kLeft = platform::Key::Left;

using ShowPlatform = test::FakeShowPlatform;

class ShowForms final : public Forms {
public:
    ShowForms(ProcessState& state, platform::Platform& platform) : m_state(state), m_platform(platform) {}
    int HostPreview(std::int32_t) override { return 0; }
    int ShowSettingsDialog(std::optional<std::int64_t>) override { return 0; }
    int LoadDisplayForm(ShowStart) override
    {
        DisplayForm form(m_state, m_platform, ShowStart::System);
        return form.Form_Load();
    }
    int LoadHostedDisplayForm(std::optional<std::int64_t>, bool, const std::string&) override { return 0; }

private:
    ProcessState& m_state;
    platform::Platform& m_platform;
};

// What one show did, in terms a person watching it would notice.
struct Observed {
    std::int16_t pictures;                 // how many files the folder gave
    std::vector<std::int16_t> show_order;  // ShowOrder[1..]
    std::int32_t left, top;                // where the first frame put the box
    int randomize_calls;                   // each random order or placement seeds once
    bool silent;                           // no MCI command, no sound played
    int frames;                            // 1: the left arrow ended the show; 2: it did not
    bool operator==(const Observed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Observed& o)
{
    out << "{pictures " << o.pictures << ", order";
    for (std::int16_t i : o.show_order)
        out << ' ' << i;
    return out << ", box " << o.left << ',' << o.top << ", randomize " << o.randomize_calls << ", "
               << (o.silent ? "silent" : "music") << ", frames " << o.frames << "}";
}

// Three 64 x 48 pictures (a 48-pixel box, centred at 488,360 on the fake
// 1024 x 768 screen) in file order a.bmp, b.bmp, c.gif.
const Observed kDefaultShow{3, {1, 2, 3}, 488, 360, 0, true, 1};

TEST(StoredNumbers, EveryStoredNumberDrivesTheShowAsBeforeAndIsSavedBackAsRead)
{
    struct Case {
        std::string key, stored;
        std::map<std::string, std::string> also;  // other values the row needs
        Observed expected;
    };
    auto with = [](auto change) {
        Observed o = kDefaultShow;
        change(o);
        return o;
    };
    // Draws of 0.9, 0, 0 pick the third of three, then the first of the two
    // left, then the one remaining.
    auto random_order = with([](Observed& o) {
        o.show_order = {3, 1, 2};
        o.randomize_calls = 1;
    });
    auto box_left_alone = with([](Observed& o) {
        o.left = 0;
        o.top = 0;
    });
    auto no_gif = with([](Observed& o) {
        o.pictures = 2;
        o.show_order = {1, 2};
    });
    const Case cases[] = {
        // The order: 0 is file order, any other number random.
        {"画像ﾁｪﾝｼﾞ", "0", {}, kDefaultShow},
        {"画像ﾁｪﾝｼﾞ", "1", {}, random_order},
        {"画像ﾁｪﾝｼﾞ", "2", {}, random_order},
        {"画像ﾁｪﾝｼﾞ", "-1", {}, random_order},
        {"画像ﾁｪﾝｼﾞ", "32767", {}, random_order},
        // The placement: 0 centred, 1 the moving box (centred for its first
        // frame, heading for a random corner), 2 a random place; any other
        // number leaves the box where the form put it.
        {"画像の位置", "0", {}, kDefaultShow},
        {"画像の位置", "1", {}, with([](Observed& o) { o.randomize_calls = 1; })},
        {"画像の位置", "2", {}, with([](Observed& o) {
             o.left = 488;  // floor(976 * 0.5)
             o.top = 180;   // floor(720 * 0.25)
             o.randomize_calls = 1;
         })},
        {"画像の位置", "3", {}, box_left_alone},
        {"画像の位置", "7", {}, box_left_alone},
        {"画像の位置", "-1", {}, box_left_alone},
        // The kinds: only an exact 1 collects.
        {"画像種類_1", "1", {}, kDefaultShow},
        {"画像種類_1", "0", {}, no_gif},
        {"画像種類_1", "2", {}, no_gif},
        {"画像種類_1", "-1", {}, no_gif},
        // The music: 1 the CD (whose arrows step tracks), 2 a file; any
        // other number plays nothing and leaves the arrows to end the show.
        {"BGM区分", "0", {}, kDefaultShow},
        {"BGM区分", "1", {}, with([](Observed& o) {
             o.silent = false;
             o.frames = 2;
         })},
        {"BGM区分", "2", {{"BGMﾌｧｲﾙ", "/m/a.wav"}}, with([](Observed& o) { o.silent = false; })},
        {"BGM区分", "3", {}, kDefaultShow},
        {"BGM区分", "5", {}, kDefaultShow},
        {"BGM区分", "-1", {}, kDefaultShow},
    };
    for (const Case& c : cases) {
        const std::string row = c.key + "=" + c.stored;
        ShowPlatform fake;
        const std::string folder = test::NativePath("/pics");
        fake.files.AddFolder(folder, {{"a.bmp", 32}, {"b.bmp", 32}, {"c.gif", 32}});
        for (const char* name : {"/pics/a.bmp", "/pics/b.bmp", "/pics/c.gif"})
            fake.pictures.Add(test::NativePath(name),
                              test::MakePicture(64, 48, 24, [](std::int32_t, std::int32_t) { return 0x808080u; }));
        fake.files.AddReadableFile("/m/a.wav");
        fake.random.values = {0.9, 0.0, 0.0};
        if (c.key == "画像の位置")
            fake.random.values = {0.5, 0.25};
        std::map<std::string, std::string> values = c.also;
        values["画像のﾌｫﾙﾀﾞ"] = folder;
        values[c.key] = c.stored;
        for (const auto& [key, value] : values)
            fake.profile.Set(IniPath(fake.files), "Section", key, value);
        fake.windows.script = {{Key(kLeft)}, {Key(platform::Key::Character)}};

        ProcessState state;
        ShowForms forms(state, fake.platform);
        ASSERT_EQ(Main(state, fake.platform, forms, ReadCommandLine("/s")), kExitShowEnded) << row;

        ASSERT_EQ(fake.windows.windows.size(), 1u) << row;
        const test::FakeWindowRecord& window = *fake.windows.windows[0];
        ASSERT_TRUE(window.first_position.has_value()) << row;
        const ImageList& images = state.nuvra_b.images;
        const Observed observed{
            images.ImageCount,
            std::vector<std::int16_t>(images.ShowOrder.begin() + 1, images.ShowOrder.end()),
            window.first_position->x,
            window.first_position->y,
            fake.random.randomize_calls,
            fake.mci.calls.empty() && fake.sound.calls.empty(),
            window.presents,
        };
        EXPECT_EQ(observed, c.expected) << row;

        fake.profile.writes.clear();
        SaveSettings(state.nuvra_b.settings, state.sound_01.settings, fake.platform, {10, "/pics", "0", 5});
        bool written = false;
        for (const test::FakeProfile::Write& write : fake.profile.writes) {
            if (write.key == c.key) {
                EXPECT_EQ(write.value, c.stored) << row << ": saved back as " << write.value;
                written = true;
            }
        }
        EXPECT_TRUE(written) << row << ": never saved";
    }
}

}  // namespace
}  // namespace nuvra
