#include "support/fake_sound.h"

#include <algorithm>
#include <cstring>

namespace nuvra::test {

namespace {

void WriteNulTerminated(std::string_view text, std::span<char> buffer)
{
    if (buffer.empty())
        return;
    const std::size_t count = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), count);
    buffer[count] = '\0';
}

}  // namespace

void FakeMciChannel::Script(const std::string& command, std::vector<MciAnswer> answers)
{
    m_scripts[command] = std::deque<MciAnswer>(answers.begin(), answers.end());
}

std::uint32_t FakeMciChannel::SendString(std::string_view command, std::span<char> reply)
{
    calls.push_back({std::string(command), reply.size()});
    MciAnswer answer;
    if (auto it = m_scripts.find(std::string(command)); it != m_scripts.end() && !it->second.empty()) {
        answer = it->second.front();
        if (it->second.size() > 1)
            it->second.pop_front();
    }
    if (answer.code == 0)
        WriteNulTerminated(answer.reply, reply);
    return answer.code;
}

std::int32_t FakeMciChannel::GetErrorString(std::uint32_t code, std::span<char> buffer)
{
    error_buffer_sizes.push_back(buffer.size());
    auto it = m_descriptions.find(code);
    if (it == m_descriptions.end())
        return 0;
    WriteNulTerminated(it->second, buffer);
    return 1;
}

std::vector<std::string> FakeMciChannel::Commands() const
{
    std::vector<std::string> commands;
    for (const Call& call : calls)
        commands.push_back(call.command);
    return commands;
}

std::int32_t FakeSoundPlayer::PlaySound(const char* file_name, std::uint32_t flags)
{
    calls.push_back({file_name ? std::optional<std::string>(file_name) : std::nullopt, flags});
    return 1;
}

FakeSoundPlatform::FakeSoundPlatform()
{
    platform.mci = &mci;
    platform.sound = &sound;
}

}  // namespace nuvra::test
