// The MCI interpreter and the sound player on real devices: a generated
// BIN/CUE disc of three tone tracks, a generated MP3 and WAV, and SDL's disk
// audio driver, whose output file shows what was played. Tones are told apart
// by counting zero crossings.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <SDL2/SDL_thread.h>

#include "modules.h"
#include "platform/linux/file_system.h"
#include "platform/linux/mci/audio_output.h"
#include "platform/linux/mci/linux_mci.h"
#include "platform/linux/mci/linux_sound_player.h"
#include "platform/linux/mci/mci_errors.h"
#include "sound/cd_audio.h"
#include "sound/file_music.h"
#include "sound/mci.h"
#include "support/temp_dir.h"
#include "support/tone_audio.h"

namespace nuvra::linux_platform {
namespace {

using namespace std::chrono_literals;

using test::Classify;
using test::Describe;
using test::Frames;
using test::Tone;
using test::WavFile;
using test::kToneWindow;
using test::kToneRate;

constexpr int kTrackSeconds = 1;
// One tone per track, far enough apart that a window holding two of them
// matches neither.
const std::vector<double> kTrackTones = {330.0, 660.0, 1320.0};

// The tone heard in most windows of a stretch, or kSilence / kUnknown.
int DominantTone(const std::vector<int>& windows)
{
    return test::DominantTone(windows, kTrackTones.size());
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 8000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Runs body with standard error sent to a file, and returns what was written.
std::string StandardErrorOf(const std::function<void()>& body, const test::TempDir& dir)
{
    const std::string path = (dir.path() / "stderr.txt").string();
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    close(file);
    body();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return dir.ReadFile("stderr.txt");
}

// Runs body on a thread of its own and says whether it finished within a
// generous deadline. A body stuck opening the FIFO is let go by opening its
// other end, so that a regression fails the test instead of hanging it.
bool FinishesWithoutAWriter(const std::string& fifo, const std::function<void()>& body)
{
    // SDL keeps a thread's error text until that thread lets it go; a thread
    // SDL did not make must do so itself, or the text is lost at its end.
    std::packaged_task<void()> task([&body] {
        body();
        SDL_TLSCleanup();
    });
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool in_time = done.wait_for(10s) == std::future_status::ready;
    while (done.wait_for(50ms) != std::future_status::ready) {
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            close(writer);
    }
    runner.join();
    return in_time;
}

// --- fixture -----------------------------------------------------------------

struct Answer {
    std::uint32_t code;
    std::string reply;
};

class LinuxMciTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        capture_path = (dir.path() / "out.raw").string();
        cue_path = test::WriteToneDisc(dir, kTrackTones, kTrackSeconds);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture_path.c_str(), 1);
        // About four times real time: after each 46 ms buffer the driver
        // sleeps 12 ms instead of the buffer's length.
        setenv("SDL_DISKAUDIODELAY", "12", 1);
        setenv("NUVRA_CDROM", cue_path.c_str(), 1);
        platform.files = &files;
        platform.mci = &mci;
        platform.sound = &player;
    }
    void TearDown() override
    {
        for (const char* name : {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "SDL_DISKAUDIODELAY", "NUVRA_CDROM",
                                 "XDG_CACHE_HOME"})
            unsetenv(name);
    }

    Answer Send(const std::string& command)
    {
        char reply[256] = "untouched";
        const std::uint32_t code = mci.SendString(command, reply);
        return {code, code == 0 ? std::string(reply) : std::string()};
    }
    std::string Reply(const std::string& command)
    {
        const Answer answer = Send(command);
        EXPECT_EQ(answer.code, 0u) << command;
        return answer.reply;
    }
    std::vector<std::int16_t> Capture() const { return test::ReadCapture(capture_path); }
    std::size_t CapturedFrames() const { return test::CapturedFrames(capture_path); }
    // Waits until the output holds seconds of audio past frame, then
    // returns the left channel.
    std::vector<std::int16_t> CaptureUntil(std::size_t frame, double seconds)
    {
        EXPECT_TRUE(WaitUntil([&] { return CapturedFrames() >= frame + Frames(seconds); }))
            << "the output did not reach " << seconds << " s past frame " << frame;
        return Capture();
    }
    // The tone heard from start + skip for span seconds. Take start after
    // the command; skip passes over what was already on its way out then
    // (up to two buffers, 93 ms).
    int ToneHeard(std::size_t start, double skip = 0.15, double span = 0.3)
    {
        const std::vector<std::int16_t> left = CaptureUntil(start, skip + span);
        const std::vector<int> windows = Classify(left, start + Frames(skip), start + Frames(skip + span), kTrackTones);
        const int tone = DominantTone(windows);
        last_windows = Describe(windows);
        return tone;
    }

    test::TempDir dir;
    std::string capture_path, cue_path, last_windows;
    AudioOutput audio;
    LinuxMci mci{audio};
    LinuxSoundPlayer player{audio};
    LinuxFileSystem files;
    platform::Platform platform;
    Sound01 sound;
};

// --- the interpreter -----------------------------------------------------------

TEST_F(LinuxMciTest, CommandsAndNamesIgnoreCaseAndErrorsAreDescribed)
{
    struct Case {
        const char* command;
        std::uint32_t expected_code;
        const char* expected_reply;
    };
    const Case cases[] = {
        {"OPEN CDAUDIO", kMciOk, ""},
        {"Set CDAudio Time Format TMSF", kMciOk, ""},
        {"status cdaudio number of tracks", kMciOk, "3"},
        {"Status CdAudio Mode wait", kMciOk, "stopped"},
        {"status cdaudio current track", kMciOk, "1"},
        {"status cdaudio position track 3", kMciOk, "03:00:00:00"},
        {"status cdaudio position", kMciOk, "01:00:00:00"},
        {"open cdaudio", kMciNameInUse, ""},
        {"frobnicate cdaudio", kMciUnknownCommand, ""},
        {"", kMciUnknownCommand, ""},
        {"open turntable", kMciUnknownDevice, ""},
        {"open \"/x.mp3\" type turntable alias t", kMciUnknownDevice, ""},
        {"play MP3Play", kMciDeviceNotOpen, ""},
        {"play ", kMciMissingValue, ""},
        {"open \"unclosed type MPEGVideo", kMciBadParameter, ""},
        {"status cdaudio volume", kMciBadParameter, ""},
        {"set cdaudio time format msf", kMciBadParameter, ""},
        {"status cdaudio position track 4", kMciBadPosition, ""},
        {"status cdaudio position track 0", kMciBadPosition, ""},
        {"play cdaudio from", kMciMissingValue, ""},
        {"play cdaudio at 1", kMciBadParameter, ""},
        {"play cdaudio from Error:267", kMciBadPosition, ""},
        {"play cdaudio from 04:00:00:00", kMciBadPosition, ""},
        {"play cdaudio from 01:00:60:00", kMciBadPosition, ""},
        {"play cdaudio from 01:00:00:75", kMciBadPosition, ""},
        {"play cdaudio from 01:00:01:01", kMciBadPosition, ""},  // past the end of track 1
        {"play cdaudio from 02:00:00:00 to 01:00:00:10", kMciBadPosition, ""},
        {"open \"/no/such/file.mp3\" type MPEGVideo alias m", kMciFileNotFound, ""},
        {"status cdaudio mode", kMciOk, "stopped"},  // nothing above started play
        {"close CDAUDIO", kMciOk, ""},
        {"close cdaudio", kMciDeviceNotOpen, ""},
    };
    for (const Case& c : cases) {
        const Answer answer = Send(c.command);
        EXPECT_EQ(answer.code, c.expected_code) << c.command;
        EXPECT_EQ(answer.reply, c.expected_reply) << c.command;
        char text[256] = {};
        if (c.expected_code != kMciOk) {
            EXPECT_NE(mci.GetErrorString(answer.code, text), 0) << c.command;
            EXPECT_GT(std::strlen(text), 10u) << c.command;
        }
    }
    char text[8] = "x";
    EXPECT_EQ(mci.GetErrorString(0, text), 0);
    EXPECT_EQ(mci.GetErrorString(9999, text), 0);
}

TEST_F(LinuxMciTest, CommandEndsAtItsNulAndReplyIsCutToTheBuffer)
{
    ASSERT_EQ(Send("open cdaudio").code, 0u);
    char small[4] = "abc";
    EXPECT_EQ(mci.SendString(std::string("status cdaudio mode   \0play cdaudio", 35), small), 0u);
    EXPECT_STREQ(small, "sto");
    EXPECT_EQ(mci.SendString("play nothing", small), kMciDeviceNotOpen);
    EXPECT_STREQ(small, "sto") << "a failure leaves the reply buffer alone";
    EXPECT_EQ(Reply("status cdaudio mode"), "stopped");
}

// --- the CD ----------------------------------------------------------------------

TEST_F(LinuxMciTest, PlayFromEachTrackPositionPlaysThatTrack)
{
    ASSERT_EQ(Send("open cdaudio").code, 0u);
    for (int track : {3, 1, 2}) {
        const std::string position = Reply("status cdaudio position track " + std::to_string(track));
        ASSERT_EQ(Send("play cdaudio from " + position).code, 0u) << position;
        const std::size_t start = CapturedFrames();
        EXPECT_EQ(Reply("status cdaudio current track"), std::to_string(track));
        EXPECT_EQ(Reply("status cdaudio mode"), "playing");
        EXPECT_EQ(ToneHeard(start), track - 1) << "track " << track << ", heard " << last_windows;
    }
    EXPECT_EQ(Send("stop cdaudio").code, 0u);
    EXPECT_EQ(Reply("status cdaudio mode"), "stopped");
}

TEST_F(LinuxMciTest, PlayStopsAtItsEndAndPlayAfterTheDiscEndsStartsAgain)
{
    ASSERT_EQ(Send("open cdaudio").code, 0u);
    ASSERT_EQ(Send("play cdaudio from 01:00:00:00 to 01:00:00:30").code, 0u);
    EXPECT_TRUE(WaitUntil([&] { return Reply("status cdaudio mode") == "stopped"; }));
    EXPECT_EQ(Reply("status cdaudio position"), "01:00:00:30");

    ASSERT_EQ(Send("play cdaudio from 03:00:00:45").code, 0u);
    EXPECT_TRUE(WaitUntil([&] { return Reply("status cdaudio mode") == "stopped"; }));
    EXPECT_EQ(Reply("status cdaudio current track"), "3");

    ASSERT_EQ(Send("play cdaudio").code, 0u);
    const std::size_t start = CapturedFrames();
    EXPECT_EQ(Reply("status cdaudio current track"), "1");
    EXPECT_EQ(ToneHeard(start), 0) << last_windows;
}

TEST_F(LinuxMciTest, ArrowKeysStepTracksAndChangeNothingPastEitherEnd)
{
    CD_Open(sound, platform);
    CD_Check(sound, platform);  // no repeat: plays from the start
    ASSERT_TRUE(sound.state.CD_Active);
    EXPECT_EQ(ToneHeard(0), 0) << last_windows;

    struct Step {
        void (*step)(Sound01&, platform::Platform&);
        const char* expected_track;
        int expected_tone;
    };
    const Step steps[] = {
        {CD_NextTrack, "2", 1}, {CD_NextTrack, "3", 2}, {CD_NextTrack, "3", 2},  // the last stays
        {CD_PrevTrack, "2", 1}, {CD_PrevTrack, "1", 0}, {CD_PrevTrack, "1", 0},  // the first stays
    };
    for (const Step& s : steps) {
        s.step(sound, platform);
        const std::size_t start = CapturedFrames();
        EXPECT_EQ(MCI_Query(sound, platform, "status cdaudio current track"), s.expected_track);
        EXPECT_EQ(ToneHeard(start, 0.15, 0.15), s.expected_tone) << last_windows;
        EXPECT_EQ(Reply("status cdaudio mode"), "playing");
    }
    CD_Close(sound, platform);
    EXPECT_EQ(Send("status cdaudio mode").code, kMciDeviceNotOpen);
}

TEST_F(LinuxMciTest, PollWithRepeatTwoPlaysTrackTwo)
{
    sound.settings.BgmRepeat = 2;
    CD_Open(sound, platform);
    CD_Check(sound, platform);
    const std::size_t start = CapturedFrames();
    ASSERT_TRUE(sound.state.CD_Active);
    EXPECT_EQ(ToneHeard(start), 1) << "heard " << last_windows;
}

TEST_F(LinuxMciTest, RepeatReturnsToItsTrackWithinAPollOfTheNextTrack)
{
    // In real time, so that a late poll costs as little audio as it would
    // in a show.
    setenv("SDL_DISKAUDIODELAY", "46", 1);
    sound.settings.BgmRepeat = 2;
    CD_Open(sound, platform);
    const std::size_t start = CapturedFrames();
    // Poll as the display form does, until track 2, the start of track 3
    // and the return have all been written.
    const std::size_t until = start + Frames(kTrackSeconds + 0.6);
    ASSERT_TRUE(WaitUntil([&] {
        CD_Check(sound, platform);
        return !sound.state.CD_Active || CapturedFrames() >= until;
    }));
    ASSERT_TRUE(sound.state.CD_Active);

    const std::vector<int> windows = Classify(Capture(), start, until, kTrackTones);
    const std::string heard = Describe(windows);
    // The first run of track 2, then whatever sits between it and the next.
    const std::size_t first = heard.find('2');
    ASSERT_NE(first, std::string::npos) << heard;
    const std::size_t end_of_run = heard.find_first_not_of('2', first);
    ASSERT_NE(end_of_run, std::string::npos) << "track 2 never ended: " << heard;
    const std::size_t again = heard.find('2', end_of_run);
    ASSERT_NE(again, std::string::npos) << "track 2 never came back: " << heard;

    const double track_two = static_cast<double>((end_of_run - first) * kToneWindow) / kToneRate;
    const double between = static_cast<double>((again - end_of_run) * kToneWindow) / kToneRate;
    EXPECT_GT(track_two, 0.85 * kTrackSeconds) << heard;
    // The display form polls every 200 ms; this test polls far more often,
    // and the rest allows for a busy machine. Without the return it is 1 s.
    EXPECT_LT(between, 0.35) << "expected a return within a poll, got " << between << " s: " << heard;
    EXPECT_EQ(heard.find('1'), std::string::npos) << heard;
}

TEST_F(LinuxMciTest, NoDiscOrDriveStopsThePollWithoutHanging)
{
    struct Case {
        const char* name;
        std::string source;
    };
    const Case cases[] = {
        {"missing image", (dir.path() / "missing.cue").string()},
        {"folder", dir.str()},
        {"not a drive", "/dev/null"},
    };
    for (const Case& c : cases) {
        setenv("NUVRA_CDROM", c.source.c_str(), 1);
        Sound01 fresh;
        CD_Open(fresh, platform);
        CD_Check(fresh, platform);
        EXPECT_FALSE(fresh.state.CD_Active) << c.name;
        const Answer track = Send("status cdaudio current track");
        EXPECT_TRUE(track.code == kMciDeviceNotOpen || track.code == kMciNoDisc) << c.name << ": " << track.code;
        if (track.code == kMciNoDisc) {
            EXPECT_EQ(Reply("status cdaudio mode"), "not ready") << c.name;
            EXPECT_EQ(Send("play cdaudio").code, kMciNoDisc) << c.name;
        }
        CD_Close(fresh, platform);
    }
}

TEST_F(LinuxMciTest, PipesNamedAsDiscsOrFilesAreRefusedWithoutWaitingForAWriter)
{
    // A FIFO opens only once something writes to it: nothing here may wait
    // for that, the show goes on silently.
    const std::string fifo = (dir.path() / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const char* name : {"pipe.cue", "pipe.bin", "pipe.mp3", "pipe.wav"})
        std::filesystem::create_symlink(fifo, dir.path() / name);
    // A sound disc image whose data is the FIFO.
    dir.WriteFile("piped.cue", "FILE \"pipe\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const auto path = [&](const char* name) { return (dir.path() / name).string(); };

    struct Case {
        const char* name;
        std::function<bool()> refused;
    };
    const auto disc_refused = [&](const std::string& source) {
        return [&, source] {
            setenv("NUVRA_CDROM", source.c_str(), 1);
            const Answer opened = Send("open cdaudio");
            const Answer track = Send("status cdaudio current track");
            Send("close cdaudio");
            return opened.code == kMciNoDrive || (opened.code == 0 && track.code == kMciNoDisc);
        };
    };
    const Case cases[] = {
        {"a drive", disc_refused(fifo)},
        {"a cue sheet", disc_refused(path("pipe.cue"))},
        {"a disc image", disc_refused(path("pipe.bin"))},
        {"a cue sheet's data", disc_refused(path("piped.cue"))},
        {"an MP3", [&] { return Send("open \"" + path("pipe.mp3") + "\" type MPEGVideo alias m").code != 0; }},
        {"a WAV", [&] { return player.PlaySound(path("pipe.wav").c_str(), 9) == 0; }},
    };
    for (const Case& c : cases) {
        bool refused = false;
        EXPECT_TRUE(FinishesWithoutAWriter(fifo, [&] { refused = c.refused(); })) << c.name << " waited for a writer";
        EXPECT_TRUE(refused) << c.name;
    }
}

// --- files -------------------------------------------------------------------------

TEST_F(LinuxMciTest, Mp3EndsAndRestartsFromTheStart)
{
    // Two tones in a row, so a restart from 0 is told from a resume.
    std::vector<std::int16_t> samples = Tone(440, 0.3);
    const std::vector<std::int16_t> second = Tone(880, 0.3);
    samples.insert(samples.end(), second.begin(), second.end());
    const std::string wav = dir.WriteFile("source.wav", WavFile(samples));
    std::filesystem::create_directories(dir.path() / "my music");
    const std::string mp3 = (dir.path() / "my music" / "song.mp3").string();
    const std::string encode = "lame --quiet -b 128 '" + wav + "' '" + mp3 + "'";
    ASSERT_EQ(std::system(encode.c_str()), 0) << "lame is needed: " << encode;
    const std::vector<double> tones = {440.0, 880.0};

    sound.settings.BgmFile = mp3;  // a blank in the path
    MP3_Open(sound, platform);
    const std::size_t start = CapturedFrames();
    EXPECT_TRUE(MP3_IsPlaying(sound, platform));
    ASSERT_TRUE(WaitUntil([&] { return !MP3_IsPlaying(sound, platform); })) << "the MP3 never ended";
    EXPECT_EQ(Reply("status MP3Play mode"), "stopped");

    MP3_Repeat(sound, platform);
    const std::size_t restarted = CapturedFrames();
    EXPECT_TRUE(MP3_IsPlaying(sound, platform));
    const std::vector<std::int16_t> left = CaptureUntil(restarted, 0.8);
    for (const std::size_t from : {start, restarted}) {
        std::string heard = Describe(Classify(left, from, from + Frames(0.8), tones));
        // Whatever precedes the file's own sound (the encoder's lead-in, a
        // buffer in flight) is left out: the first tone must be the low one.
        const std::size_t low = heard.find("111");
        ASSERT_NE(low, std::string::npos) << heard;
        EXPECT_NE(heard.find("222", low), std::string::npos) << "expected the file from its start, got " << heard;
    }
    MP3_Close(sound, platform);
    EXPECT_EQ(Send("status MP3Play mode").code, kMciDeviceNotOpen);
}

TEST_F(LinuxMciTest, AnMp3WhosePathHoldsAQuotePlays)
{
    setenv("XDG_CACHE_HOME", (dir.path() / "cache").c_str(), 1);
    const std::string wav = dir.WriteFile("source.wav", WavFile(Tone(kTrackTones[1], 1.0)));
    std::filesystem::create_directories(dir.path() / "say \"hi\"");
    const std::string mp3 = (dir.path() / "say \"hi\"" / "song.mp3").string();
    ASSERT_EQ(std::system(("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'").c_str()), 0) << "lame is needed";

    sound.settings.BgmFile = mp3;
    MP3_Open(sound, platform);
    const std::size_t start = CapturedFrames();
    EXPECT_TRUE(MP3_IsPlaying(sound, platform));
    EXPECT_EQ(ToneHeard(start), 1) << "heard " << last_windows;
    MP3_Close(sound, platform);
}

TEST_F(LinuxMciTest, FilesThatCannotPlayAreRefusedQuietly)
{
    const std::string text = dir.WriteFile("notes.mp3", "these are not sounds");
    ASSERT_EQ(player.WaveOutDeviceCount(), 1u);  // the disk driver announces itself as it opens
    Answer answer{};
    const std::string printed =
        StandardErrorOf([&] { answer = Send("open \"" + text + "\" type MPEGVideo alias m"); }, dir);
    EXPECT_EQ(answer.code, kMciUnplayableFile);
    EXPECT_EQ(printed, "") << "the decoder's complaints reached the terminal";
    EXPECT_EQ(Send("open \"" + dir.str() + "\" type MPEGVideo alias m").code, kMciFileNotFound);

    sound.settings.BgmFile = (dir.path() / "gone.mp3").string();
    MP3_Open(sound, platform);
    EXPECT_FALSE(MP3_IsPlaying(sound, platform));
    MP3_Repeat(sound, platform);  // its two commands fail harmlessly
    EXPECT_FALSE(MP3_IsPlaying(sound, platform));

    EXPECT_EQ(player.PlaySound((dir.path() / "gone.wav").string().c_str(), 9), 0);
    EXPECT_EQ(player.PlaySound(text.c_str(), 9), 0);
    const std::size_t start = CapturedFrames();
    const std::vector<std::int16_t> left = CaptureUntil(start, 0.2);
    EXPECT_EQ(Describe(Classify(left, start, start + Frames(0.2), kTrackTones)).find_first_not_of('.'),
              std::string::npos)
        << "no default sound";
}

TEST_F(LinuxMciTest, WavLoopsWithoutAGapUntilStopped)
{
    // 176 whole cycles, so the loop joins without a click.
    sound.settings.BgmFile = dir.WriteFile("loop.wav", WavFile(Tone(880, 0.2)));
    ASSERT_EQ(player.WaveOutDeviceCount(), 1u);
    WAV_Play(sound, platform);
    const std::size_t first = [&] {
        std::size_t found = 0;
        WaitUntil([&] {
            const std::vector<std::int16_t> left = Capture();
            const auto loud = std::find_if(left.begin(), left.end(), [](std::int16_t s) { return std::abs(s) > 4000; });
            found = static_cast<std::size_t>(loud - left.begin());
            return loud != left.end();
        });
        return found;
    }();
    const std::vector<std::int16_t> left = CaptureUntil(first, 1.0);
    // The tone crosses zero in one sample; more quiet samples in a row are a gap.
    std::size_t longest_quiet = 0, quiet = 0;
    for (std::size_t i = first; i < first + Frames(1.0); ++i) {
        quiet = std::abs(left[i]) < 200 ? quiet + 1 : 0;
        longest_quiet = std::max(longest_quiet, quiet);
    }
    EXPECT_LE(longest_quiet, 2u) << "a gap of " << longest_quiet << " samples in the loop";

    WAV_Stop(sound, platform);
    const std::size_t stopped = CapturedFrames();
    const std::vector<std::int16_t> after = CaptureUntil(stopped, 0.4);
    const std::string heard = Describe(Classify(after, stopped + Frames(0.2), stopped + Frames(0.4), {880.0}));
    EXPECT_EQ(heard.find_first_not_of('.'), std::string::npos) << "still playing after the stop: " << heard;
}

// --- without a disk file ---------------------------------------------------------------

TEST_F(LinuxMciTest, DummyDriverPlaysWithoutWritingAnything)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(player.WaveOutDeviceCount(), 1u);
    ASSERT_EQ(Send("open cdaudio").code, 0u);
    ASSERT_EQ(Send("play cdaudio from 02:00:00:00").code, 0u);
    EXPECT_EQ(Reply("status cdaudio mode"), "playing");
    EXPECT_EQ(Send("stop cdaudio").code, 0u);
    EXPECT_EQ(Reply("status cdaudio mode"), "stopped");
    EXPECT_FALSE(std::filesystem::exists(capture_path));
}

TEST_F(LinuxMciTest, TheMachinesOwnOutputOpensWithoutAMessage)
{
    // Whatever this machine has (a sound server, a bare card, nothing at
    // all), trying it prints nothing.
    unsetenv("SDL_AUDIODRIVER");
    const std::string printed = StandardErrorOf([&] { player.WaveOutDeviceCount(); }, dir);
    EXPECT_EQ(printed, "");
}

TEST_F(LinuxMciTest, NoAudioOutputMeansSilenceAndNoMessage)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::uint32_t count = 99;
    const std::string printed = StandardErrorOf([&] { count = player.WaveOutDeviceCount(); }, dir);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(printed, "");

    const std::string wav = dir.WriteFile("loop.wav", WavFile(Tone(880, 0.2)));
    EXPECT_EQ(player.PlaySound(wav.c_str(), 9), 0);
    EXPECT_EQ(Send("open \"" + wav + "\" type MPEGVideo alias m").code, kMciNoAudioOutput);
    ASSERT_EQ(Send("open cdaudio").code, 0u) << "the disc is still there to ask about";
    EXPECT_EQ(Reply("status cdaudio number of tracks"), "3");
    EXPECT_EQ(Send("play cdaudio").code, kMciNoAudioOutput);
    EXPECT_EQ(Reply("status cdaudio mode"), "stopped");
}

}  // namespace
}  // namespace nuvra::linux_platform
