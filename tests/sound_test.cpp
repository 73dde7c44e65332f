// The music module against a scripted MCI channel: the exact commands and
// their order, the buffer and reply rules, and the decisions of the polls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules.h"
#include "sound/cd_audio.h"
#include "sound/file_music.h"
#include "sound/mci.h"
#include "support/fake_sound.h"

namespace nuvra {
namespace {

using test::FakeSoundPlatform;
using test::MciAnswer;
using Commands = std::vector<std::string>;

std::string Printable(const Commands& commands)
{
    std::string text;
    for (const std::string& command : commands) {
        text += "\n  \"";
        for (char c : command)
            text += c == '\0' ? std::string("\\0") : std::string(1, c);
        text += '"';
    }
    return text.empty() ? "\n  (none)" : text;
}

#define EXPECT_COMMANDS(fake, ...)                                                                        \
    do {                                                                                                  \
        const Commands expected_commands = __VA_ARGS__;                                                   \
        const Commands got_commands = (fake).mci.Commands();                                              \
        EXPECT_EQ(got_commands, expected_commands)                                                        \
            << "expected:" << Printable(expected_commands) << "\ngot:" << Printable(got_commands);        \
    } while (false)

class SoundTest : public ::testing::Test {
protected:
    FakeSoundPlatform fake;
    Sound01 sound;
};

// --- the channel ------------------------------------------------------------

TEST_F(SoundTest, EmptyCommandSendsNothing)
{
    std::string result = "old";
    EXPECT_EQ(MCI_SendCommand(sound, fake.platform, "", result), -1);
    EXPECT_EQ(result, "コマンド文字列が指定されていません");
    EXPECT_EQ(MCI_Query(sound, fake.platform, ""), "Error:-1");
    EXPECT_EQ(sound.state.MCI_Result, "コマンド文字列が指定されていません");
    EXPECT_COMMANDS(fake, {});
}

TEST_F(SoundTest, ReplyIsCutAtItsNulAndBuffersKeepTheirSize)
{
    fake.mci.Script("status x", {{0, "a long first reply"}, {0, "short"}});
    std::string result;
    EXPECT_EQ(MCI_SendCommand(sound, fake.platform, "status x", result), 0);
    EXPECT_EQ(result, "a long first reply");
    EXPECT_EQ(MCI_SendCommand(sound, fake.platform, "status x", result), 0);
    EXPECT_EQ(result, "short") << "only the new reply, not the old tail";
    // The old tail is still in the buffer, behind the new reply's NUL.
    EXPECT_EQ(sound.state.MCI_ReturnBuf.substr(0, 18), std::string("short\0 first reply", 18));
    EXPECT_EQ(sound.state.MCI_ReturnBuf.size(), 512u);
    ASSERT_EQ(fake.mci.calls.size(), 2u);
    EXPECT_EQ(fake.mci.calls[0].reply_size, 512u);
}

TEST_F(SoundTest, FailureTextComesFromTheErrorBuffer)
{
    fake.mci.Describe(263, "a long description of the failure");
    fake.mci.Describe(264, "brief");
    fake.mci.Script("bad", {{263, "ignored"}, {264, ""}, {265, ""}});
    std::string result;
    EXPECT_EQ(MCI_SendCommand(sound, fake.platform, "bad", result), 263);
    EXPECT_EQ(result, "a long description of the failure");
    EXPECT_EQ(MCI_SendCommand(sound, fake.platform, "bad", result), 264);
    EXPECT_EQ(result, "brief");
    EXPECT_EQ(MCI_SendCommand(sound, fake.platform, "bad", result), 265);
    EXPECT_EQ(result, "Error (文字列が取れません)") << "a code with no description";
    EXPECT_EQ(fake.mci.error_buffer_sizes, (std::vector<std::size_t>{256, 256, 256}));
    EXPECT_EQ(sound.state.MCI_ErrorBuf.size(), 256u);
}

TEST_F(SoundTest, QueryReturnsReplyOrErrorCode)
{
    struct Case {
        MciAnswer answer;
        std::string expected_reply, expected_result;
    };
    fake.mci.Describe(275, "no such file");
    const std::vector<Case> cases = {
        {{0, "12"}, "12", "12"},
        {{275, ""}, "Error:275", "no such file"},
        {{0xFFFFFFFEu, ""}, "Error:-2", "Error (文字列が取れません)"},  // a code with the top bit set reads negative
    };
    for (const Case& c : cases) {
        fake.mci.Script("status q", {c.answer});
        EXPECT_EQ(MCI_Query(sound, fake.platform, "status q"), c.expected_reply) << "code " << c.answer.code;
        EXPECT_EQ(sound.state.MCI_Result, c.expected_result) << "code " << c.answer.code;
    }
}

TEST_F(SoundTest, PlayBuildsOneCommandFromThePresentPositions)
{
    struct Case {
        const char *device, *from, *to, *expected;
    };
    const Case cases[] = {
        {"cdaudio", "02:00:00:00", "03:00:00:00", "play cdaudio from 02:00:00:00 to 03:00:00:00"},
        {"cdaudio", "02:00:00:00", "", "play cdaudio from 02:00:00:00"},
        {"cdaudio", "", "03:00:00:00", "play cdaudio to 03:00:00:00"},
        {"cdaudio", "", "", "play cdaudio"},
        {"", "", "", "play "},
        {"cdaudio", "Error:282", "", "play cdaudio from Error:282"},  // passed on untouched
    };
    for (const Case& c : cases) {
        FakeSoundPlatform local;
        local.mci.Script("play ", {{263, ""}});
        const std::int32_t code = MCI_Play(sound, local.platform, c.device, c.from, c.to);
        EXPECT_COMMANDS(local, {c.expected});
        EXPECT_EQ(code, std::string(c.expected) == "play " ? 263 : 0) << c.expected;
    }
}

// --- audio CD -----------------------------------------------------------------

TEST_F(SoundTest, OpenAndCloseSendPlainCommandsWhateverTheCodes)
{
    fake.mci.Script("open cdaudio", {{276, ""}});
    fake.mci.Script("stop cdaudio", {{259, ""}});
    CD_Open(sound, fake.platform);
    CD_Close(sound, fake.platform);
    EXPECT_COMMANDS(fake, {"open cdaudio", "set cdaudio time format tmsf", "stop cdaudio", "close cdaudio"});
    for (const auto& call : fake.mci.calls)
        EXPECT_EQ(call.reply_size, 0u) << call.command;
}

struct PollCase {
    const char* name;
    std::int16_t repeat;
    MciAnswer current_track, track_count, mode, position;
    Commands expected_after_status;  // what follows the two status queries
    bool expected_active;
};

void PrintTo(const PollCase& c, std::ostream* out)
{
    *out << c.name;
}

class CdCheckTest : public SoundTest, public ::testing::WithParamInterface<PollCase> {};

TEST_P(CdCheckTest, DecidesFromTrackAndMode)
{
    const PollCase& c = GetParam();
    sound.settings.BgmRepeat = c.repeat;
    sound.state.CD_Active = false;
    fake.mci.Script("status cdaudio current track", {c.current_track});
    fake.mci.Script("status cdaudio number of tracks", {c.track_count});
    fake.mci.Script("status cdaudio mode", {c.mode});
    fake.mci.Script("status cdaudio position track " + std::to_string(c.repeat), {c.position});
    fake.mci.Script("play cdaudio from Error:282", {{282, ""}});
    CD_Check(sound, fake.platform);

    Commands expected = {"status cdaudio current track"};
    if (c.current_track.code == 0 && c.current_track.reply.find("err") == std::string::npos)
        expected.push_back("status cdaudio number of tracks");
    expected.insert(expected.end(), c.expected_after_status.begin(), c.expected_after_status.end());
    EXPECT_COMMANDS(fake, expected);
    EXPECT_EQ(sound.state.CD_Active, c.expected_active);
}

const Commands kMode = {"status cdaudio mode"};
Commands ModeThen(Commands more)
{
    Commands all = kMode;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Poll, CdCheckTest,
    ::testing::Values(
        PollCase{"NoRepeatStoppedPlays", 0, {0, "1"}, {0, "3"}, {0, "stopped"}, {}, ModeThen({"play cdaudio"}), true},
        PollCase{"NoRepeatPlayingWaits", 0, {0, "2"}, {0, "3"}, {0, "playing"}, {}, kMode, true},
        PollCase{"StoppedIsCaseSensitive", 0, {0, "1"}, {0, "3"}, {0, "Stopped"}, {}, kMode, true},
        PollCase{"ModeWordIsSevenCharacters", 0, {0, "1"}, {0, "3"}, {0, "stopped!"}, {},
                 ModeThen({"play cdaudio"}), true},
        PollCase{"NoRepeatIgnoresATrackThatIsNoNumber", 0, {0, "?"}, {0, "3"}, {0, "stopped"}, {},
                 ModeThen({"play cdaudio"}), true},
        PollCase{"RepeatFromStoppedOnOtherTrack", 2, {0, "1"}, {0, "3"}, {0, "stopped"}, {0, "02:00:00:00"},
                 ModeThen({"status cdaudio position track 2", "play cdaudio from 02:00:00:00"}), true},
        PollCase{"RepeatFromStoppedOnItsTrack", 2, {0, "2"}, {0, "3"}, {0, "stopped"}, {0, "02:00:00:00"},
                 ModeThen({"status cdaudio position track 2", "play cdaudio from 02:00:00:00"}), true},
        PollCase{"RepeatJumpsBackFromNextTrack", 2, {0, "3"}, {0, "3"}, {0, "playing"}, {0, "02:00:00:00"},
                 ModeThen({"status cdaudio position track 2", "play cdaudio from 02:00:00:00"}), true},
        PollCase{"RepeatLeavesItsOwnTrackPlaying", 2, {0, "2"}, {0, "3"}, {0, "playing"}, {}, kMode, true},
        PollCase{"TrackComparedAsNumber", 2, {0, " 2.0 "}, {0, "3"}, {0, "playing"}, {}, kMode, true},
        PollCase{"RepeatPastLastTrackKeepsPolling", 5, {0, "1"}, {0, "3"}, {0, "stopped"}, {282, ""},
                 ModeThen({"status cdaudio position track 5", "play cdaudio from Error:282"}), true},
        PollCase{"NoDiscStopsPolling", 2, {276, ""}, {}, {}, {}, {}, false},
        PollCase{"ErrInAnyCaseStopsPolling", 0, {0, "terrible"}, {}, {}, {}, {}, false},
        PollCase{"TrackCountFailureStopsPolling", 0, {0, "1"}, {276, ""}, {}, {}, {}, false},
        PollCase{"RepeatWithTrackThatIsNoNumberStops", 2, {0, "two"}, {0, "3"}, {0, "playing"}, {}, kMode,
                 false},
        PollCase{"RepeatWithEmptyTrackStopsEvenWhenStopped", 2, {0, ""}, {0, "3"}, {0, "stopped"}, {}, kMode,
                 false}),
    [](const ::testing::TestParamInfo<PollCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(SoundTest, ModeBufferIsNeverCleared)
{
    // A failed mode query leaves the previous word, which still counts; a
    // shorter reply leaves the old tail behind its NUL, which does not.
    fake.mci.Script("status cdaudio current track", {{0, "1"}});
    fake.mci.Script("status cdaudio mode", {{0, "stopped"}, {259, ""}, {0, "stop"}});
    for (int poll = 0; poll < 3; ++poll)
        CD_Check(sound, fake.platform);
    EXPECT_COMMANDS(fake, {"status cdaudio current track", "status cdaudio number of tracks", "status cdaudio mode",
                           "play cdaudio",  // stopped
                           "status cdaudio current track", "status cdaudio number of tracks", "status cdaudio mode",
                           "play cdaudio",  // the query failed: still "stopped"
                           "status cdaudio current track", "status cdaudio number of tracks",
                           "status cdaudio mode"});  // "stop\0ed" is not "stopped"
    EXPECT_EQ(sound.state.CD_ModeBuf.substr(0, 8), std::string("stop\0ed\0", 8));
    EXPECT_EQ(fake.mci.calls[2].reply_size, 255u);
    EXPECT_EQ(sound.state.CD_ModeBuf.size(), 256u);
}

TEST_F(SoundTest, ArrowKeysPlayFromTheNeighbourTrack)
{
    struct Case {
        const char* name;
        bool next;
        MciAnswer current;
        Commands expected_after_current;
    };
    const Case cases[] = {
        {"next", true, {0, "3"}, {"status cdaudio position track 4", "play cdaudio from 04:00:00:00"}},
        {"previous", false, {0, "3"}, {"status cdaudio position track 2", "play cdaudio from 02:00:00:00"}},
        {"previous on track 1", false, {0, "1"}, {"status cdaudio position track 0", "play cdaudio from Error:282"}},
        {"no disc reads track 0", true, {276, ""}, {"status cdaudio position track 1", "play cdaudio from Error:276"}},
        {"leading number", true, {0, "2 tracks"}, {"status cdaudio position track 3", "play cdaudio from Error:282"}},
        {"rounded half to even", true, {0, "2.5"}, {"status cdaudio position track 3", "play cdaudio from Error:282"}},
        {"16-bit overflow skips the query", true, {0, "32767"}, {"play cdaudio"}},
        {"too large reads track 0", false, {0, "99999"}, {"status cdaudio position track -1", "play cdaudio from Error:282"}},
    };
    for (const Case& c : cases) {
        FakeSoundPlatform local;
        local.mci.Script("status cdaudio current track", {c.current});
        local.mci.Script("status cdaudio position track 4", {{0, "04:00:00:00"}});
        local.mci.Script("status cdaudio position track 2", {{0, "02:00:00:00"}});
        for (const char* missing : {"0", "1", "3", "-1"})
            local.mci.Script(std::string("status cdaudio position track ") + missing, {{282, ""}});
        local.mci.Script("status cdaudio position track 1", {{276, ""}});
        if (c.next)
            CD_NextTrack(sound, local.platform);
        else
            CD_PrevTrack(sound, local.platform);
        Commands expected = {"status cdaudio current track"};
        expected.insert(expected.end(), c.expected_after_current.begin(), c.expected_after_current.end());
        SCOPED_TRACE(c.name);
        EXPECT_COMMANDS(local, expected);
    }
}

// --- MP3 and WAV -----------------------------------------------------------------

std::string Padded(std::string command)
{
    command.resize(255, ' ');
    return command;
}

TEST_F(SoundTest, Mp3OpenSendsTheQuotedPathPaddedAndPlaysOnlyAfterAnOpen)
{
    struct Case {
        const char* name;
        std::string file;
        bool readable;
        std::uint32_t open_code;
        Commands expected;
    };
    const std::string long_name = "/music/" + std::string(300, 'x') + ".mp3";
    const std::string name_of_229 = "/m/" + std::string(222, 'y') + ".mp3";  // 231 characters quoted
    const Case cases[] = {
        {"blank in path", "/music/my song.mp3", true, 0,
         {Padded("open \"/music/my song.mp3\" type MPEGVideo Alias MP3Play"), "play MP3Play"}},
        {"open refused", "/music/a.mp3", true, 296, {Padded("open \"/music/a.mp3\" type MPEGVideo Alias MP3Play")}},
        {"missing file", "/music/gone.mp3", false, 275, {Padded("open  type MPEGVideo Alias MP3Play")}},
        {"empty setting", "", false, 275, {Padded("open  type MPEGVideo Alias MP3Play")}},
        // The conversion asks for a larger buffer and writes nothing, so the
        // whole untouched buffer stands in for the path.
        {"path too long for the buffer", long_name, true, 259, {"open " + std::string(250, '\0')}},
        {"command cut at 255", name_of_229, true, 259,
         {("open \"" + name_of_229 + "\" type MPEGVideo Alias MP3Play").substr(0, 255)}},
    };
    for (const Case& c : cases) {
        FakeSoundPlatform local;
        if (c.readable)
            local.files.AddReadableFile(c.file);
        local.mci.Script(c.expected.front(), {{c.open_code, ""}});
        sound.settings.BgmFile = c.file;
        MP3_Open(sound, local.platform);
        SCOPED_TRACE(c.name);
        EXPECT_COMMANDS(local, c.expected);
        for (const auto& call : local.mci.calls)
            EXPECT_EQ(call.reply_size, 0u);
    }
}

TEST_F(SoundTest, AMusicFileThePlayerCannotGetIsSaidOnTheSide)
{
    const struct {
        const char* file;
        bool readable;
        const char* reason;  // nullptr: nothing said
    } cases[] = {
        {"/music/say \"hi\".mp3", true, "double quote"},
        {"/music/gone.mp3", false, "cannot be opened"},
        {"/music/fine.mp3", true, nullptr},
        {"", false, nullptr},
    };
    for (const auto& c : cases) {
        FakeSoundPlatform local;
        test::FakeDiagnostics diagnostics;
        local.platform.diagnostics = &diagnostics;
        if (c.readable && std::string_view(c.file).find('"') == std::string_view::npos)
            local.files.AddReadableFile(c.file);
        sound.settings.BgmFile = c.file;
        MP3_Open(sound, local.platform);
        if (c.reason == nullptr) {
            EXPECT_TRUE(diagnostics.reports.empty()) << c.file;
            continue;
        }
        ASSERT_EQ(diagnostics.reports.size(), 1u) << c.file;
        EXPECT_NE(diagnostics.reports[0].find(c.file), std::string::npos) << diagnostics.reports[0];
        EXPECT_NE(diagnostics.reports[0].find(c.reason), std::string::npos) << diagnostics.reports[0];
    }
}

TEST_F(SoundTest, Mp3IsPlayingReadsSevenCharactersOfItsBuffer)
{
    struct Case {
        MciAnswer answer;
        bool expected;
    };
    // One buffer through all rows, as in a show: it is never cleared.
    const Case cases[] = {
        {{259, ""}, false},       // fresh buffer: NULs
        {{0, "playing"}, true},
        {{259, ""}, true},        // failed query: the old word stands
        {{0, "Playing"}, false},  // case-sensitive
        {{0, "playing now"}, true},
        {{0, "paused"}, false},   // "paused\0" then the old tail
        {{0, "stopped"}, false},
    };
    for (const Case& c : cases) {
        fake.mci.Script("status MP3Play mode", {c.answer});
        EXPECT_EQ(MP3_IsPlaying(sound, fake.platform), c.expected) << "reply '" << c.answer.reply << "' code "
                                                                   << c.answer.code;
    }
    EXPECT_EQ(fake.mci.calls.back().reply_size, 30u);
    EXPECT_EQ(sound.state.MP3_ModeBuf.size(), 30u);
}

TEST_F(SoundTest, Mp3RepeatRestartsFromZeroOnlyWhenNotPlaying)
{
    fake.mci.Script("status MP3Play mode", {{0, "playing"}, {0, "stopped"}, {0, "paused"}});
    for (int tick = 0; tick < 3; ++tick)
        MP3_Repeat(sound, fake.platform);
    MP3_Close(sound, fake.platform);
    EXPECT_COMMANDS(fake, {"status MP3Play mode",                                                 //
                           "status MP3Play mode", "stop MP3Play", "play MP3Play from 0",          //
                           "status MP3Play mode", "stop MP3Play", "play MP3Play from 0",          //
                           "stop MP3Play", "close MP3Play"});
}

TEST_F(SoundTest, WavLoopsOnlyWithAWaveDevice)
{
    struct Case {
        std::uint32_t devices;
        bool plays;
    };
    const Case cases[] = {{0, false}, {1, true}, {3, true}, {0x80000000u, false}};  // the last reads negative
    sound.settings.BgmFile = "/music/loop.wav";
    for (const Case& c : cases) {
        FakeSoundPlatform local;
        local.sound.device_count = c.devices;
        WAV_Play(sound, local.platform);
        WAV_Stop(sound, local.platform);
        const std::size_t expected_calls = c.plays ? 2 : 1;
        ASSERT_EQ(local.sound.calls.size(), expected_calls) << c.devices << " devices";
        if (c.plays) {
            EXPECT_EQ(local.sound.calls[0].file_name, "/music/loop.wav");
            EXPECT_EQ(local.sound.calls[0].flags, 9u);
        }
        EXPECT_EQ(local.sound.calls.back().file_name, std::nullopt) << "stop passes a null name";
        EXPECT_EQ(local.sound.calls.back().flags, 0u);
    }
}

}  // namespace
}  // namespace nuvra
