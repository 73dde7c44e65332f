// Scripted fakes of the MCI channel and the sound player for the music
// module's tests, and a FakePlatform with both plugged in.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio.h"
#include "support/fake_platform.h"

namespace nuvra::test {

struct MciAnswer {
    std::uint32_t code = 0;
    std::string reply;  // written NUL-terminated on success, when asked for
};

// Answers each command from its script: successive sends of one command take
// successive answers, the last one repeating. A command with no script
// succeeds with an empty reply. Failures leave the reply buffer untouched.
class FakeMciChannel final : public platform::MciChannel {
public:
    struct Call {
        std::string command;  // exactly as sent, blanks and NULs included
        std::size_t reply_size = 0;
    };

    void Script(const std::string& command, std::vector<MciAnswer> answers);
    void Describe(std::uint32_t code, std::string text) { m_descriptions[code] = std::move(text); }

    std::uint32_t SendString(std::string_view command, std::span<char> reply) override;
    std::int32_t GetErrorString(std::uint32_t code, std::span<char> buffer) override;

    // Just the command texts, in order.
    std::vector<std::string> Commands() const;

    std::vector<Call> calls;
    std::vector<std::size_t> error_buffer_sizes;

private:
    std::map<std::string, std::deque<MciAnswer>> m_scripts;
    std::map<std::uint32_t, std::string> m_descriptions;
};

class FakeSoundPlayer final : public platform::SoundPlayer {
public:
    struct Call {
        std::optional<std::string> file_name;  // nothing for a null name
        std::uint32_t flags = 0;
    };

    std::int32_t PlaySound(const char* file_name, std::uint32_t flags) override;
    std::uint32_t WaveOutDeviceCount() override { return device_count; }

    std::uint32_t device_count = 1;
    std::vector<Call> calls;
};

struct FakeSoundPlatform : FakePlatform {
    FakeSoundPlatform();
    FakeMciChannel mci;
    FakeSoundPlayer sound;
};

}  // namespace nuvra::test
