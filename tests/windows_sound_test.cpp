// Music on Windows under Wine: the system's media control interface answers
// our command strings, plays an MP3 through the device the show uses, and
// its error texts come back as UTF-8; the sound player refuses a missing
// file rather than play the system's own sound. (Wine plays to the ALSA
// device of the test stage's own home: a null one.)
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/audio.h"
#include "platform/windows/sound/mci_channel.h"

namespace {

using nuvra::windows_platform::CopyReply;
using nuvra::windows_platform::WindowsMciChannel;
using nuvra::windows_platform::WindowsSoundPlayer;

TEST(WindowsMci, TheSystemAnswersCommandsAndExplainsItsErrors)
{
    WindowsMciChannel mci;
    std::array<char, 64> reply{};
    EXPECT_EQ(mci.SendString("sysinfo all quantity", reply), 0u);
    EXPECT_GT(std::strlen(reply.data()), 0u);
    EXPECT_EQ(reply[std::strspn(reply.data(), "0123456789")], '\0') << reply.data();

    const std::uint32_t error = mci.SendString("status nosuchdevice mode", reply);
    EXPECT_NE(error, 0u);
    std::array<char, 256> text{};
    EXPECT_NE(mci.GetErrorString(error, text), 0);
    EXPECT_GT(std::strlen(text.data()), 0u);
}

TEST(WindowsMci, AnMp3OpenedAsTheShowOpensItIsPlaying)
{
    WindowsMciChannel mci;
    std::array<char, 64> reply{};
    const std::string tone = std::string(NUVRA_SOURCE_DIR) + "/tests/data/tone.mp3";
    ASSERT_EQ(mci.SendString("open \"" + tone + "\" type MPEGVideo alias MP3Play", reply), 0u);
    EXPECT_EQ(mci.SendString("play MP3Play from 0", reply), 0u);
    EXPECT_EQ(mci.SendString("status MP3Play mode", reply), 0u);
    EXPECT_STREQ(reply.data(), "playing");
    EXPECT_EQ(mci.SendString("close MP3Play", {}), 0u);
}

TEST(WindowsMci, RepliesAreCutAtAWholeCharacter)
{
    struct Case {
        const char* text;
        std::size_t buffer;
        const char* kept;
    };
    for (const Case& c : {Case{"abc", 8, "abc"}, Case{"abcdef", 4, "abc"}, Case{"a\xE3\x81\x82", 3, "a"},
                          Case{"a\xE3\x81\x82", 5, "a\xE3\x81\x82"}, Case{"", 1, ""}}) {
        std::string buffer(c.buffer, 'x');
        CopyReply(c.text, buffer);
        EXPECT_STREQ(buffer.c_str(), c.kept) << c.text << " into " << c.buffer;
    }
}

TEST(WindowsSoundPlayer, AMissingFileIsRefusedNotReplacedByTheSystemSound)
{
    WindowsSoundPlayer player;
    EXPECT_EQ(player.PlaySound("C:\\no such folder\\\xE9\x9F\xB3.wav",
                               nuvra::platform::kSndNoDefault |
                                   nuvra::platform::kSndFilename),
              0);
    EXPECT_NE(player.PlaySound(nullptr, 0), 0);
}

}  // namespace
