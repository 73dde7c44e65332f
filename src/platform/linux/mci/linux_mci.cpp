#include "platform/linux/mci/linux_mci.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/mci/cd_audio_device.h"
#include "platform/linux/mci/mpeg_video_device.h"

namespace nuvra::linux_platform {

namespace {

// Writes text NUL-terminated, cut to the buffer.
void WriteText(std::string_view text, std::span<char> buffer)
{
    if (buffer.empty())
        return;
    const std::size_t count = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), count);
    buffer[count] = '\0';
}

bool IsFlag(const MciWord& word)
{
    return IsKeyword(word, "wait") || IsKeyword(word, "notify");
}

struct PlayRange {
    std::uint32_t code = kMciOk;
    std::optional<std::string> from, to;
};

PlayRange ParsePlayRange(std::span<const MciWord> words)
{
    PlayRange range;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::optional<std::string>* target = nullptr;
        if (IsKeyword(words[i], "from"))
            target = &range.from;
        else if (IsKeyword(words[i], "to"))
            target = &range.to;
        else
            return {kMciBadParameter, {}, {}};
        if (i + 1 == words.size())
            return {kMciMissingValue, {}, {}};
        *target = words[++i].text;
    }
    return range;
}

}  // namespace

LinuxMci::~LinuxMci()
{
    // Devices go first: they stop their playback on the audio output.
    m_devices.clear();
}

std::uint32_t LinuxMci::SendString(std::string_view command, std::span<char> reply)
{
    const MciResult result = Execute(command.substr(0, command.find('\0')));
    if (result.code == kMciOk)
        WriteText(result.reply, reply);
    return result.code;
}

std::int32_t LinuxMci::GetErrorString(std::uint32_t code, std::span<char> buffer)
{
    const std::string_view text = MciErrorText(code);
    if (text.empty() || buffer.empty())
        return 0;
    WriteText(text, buffer);
    return 1;
}

std::vector<LinuxMci::NamedDevice>::iterator LinuxMci::Find(std::string_view name)
{
    return std::find_if(m_devices.begin(), m_devices.end(),
                        [&](const NamedDevice& named) { return EqualsIgnoringCase(named.name, name); });
}

MciResult LinuxMci::Execute(std::string_view command)
{
    std::optional<std::vector<MciWord>> split = SplitMciCommand(command);
    if (!split)
        return {kMciBadParameter, {}};
    std::vector<MciWord> words;
    std::copy_if(split->begin(), split->end(), std::back_inserter(words), [](const MciWord& w) { return !IsFlag(w); });
    if (words.empty())
        return {kMciUnknownCommand, {}};

    const MciWord& verb = words[0];
    if (IsKeyword(verb, "open"))
        return OpenDevice(std::span(words).subspan(1));
    const bool known = IsKeyword(verb, "close") || IsKeyword(verb, "play") || IsKeyword(verb, "stop") ||
                       IsKeyword(verb, "status") || IsKeyword(verb, "set");
    if (!known)
        return {kMciUnknownCommand, {}};
    if (words.size() < 2)
        return {kMciMissingValue, {}};
    const auto found = Find(words[1].text);
    if (found == m_devices.end())
        return {kMciDeviceNotOpen, {}};
    MciDevice& device = *found->device;
    const std::span<const MciWord> rest = std::span(words).subspan(2);

    if (IsKeyword(verb, "close")) {
        if (!rest.empty())
            return {kMciBadParameter, {}};
        m_devices.erase(found);
        return {};
    }
    if (IsKeyword(verb, "play")) {
        const PlayRange range = ParsePlayRange(rest);
        if (range.code != kMciOk)
            return {range.code, {}};
        return device.Play(range.from, range.to);
    }
    if (IsKeyword(verb, "stop"))
        return rest.empty() ? device.Stop() : MciResult{kMciBadParameter, {}};
    if (IsKeyword(verb, "status"))
        return device.Status(rest);
    return device.Set(rest);
}

MciResult LinuxMci::OpenDevice(std::span<const MciWord> words)
{
    if (words.empty())
        return {kMciMissingValue, {}};
    const MciWord& element = words[0];
    std::optional<std::string> type, alias;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (IsKeyword(words[i], "shareable"))
            continue;
        std::optional<std::string>* target = nullptr;
        if (IsKeyword(words[i], "type"))
            target = &type;
        else if (IsKeyword(words[i], "alias"))
            target = &alias;
        else
            return {kMciBadParameter, {}};
        if (i + 1 == words.size())
            return {kMciMissingValue, {}};
        *target = words[++i].text;
    }

    const bool names_cd = type ? EqualsIgnoringCase(*type, "cdaudio") : IsKeyword(element, "cdaudio");
    const bool names_mpeg = type && EqualsIgnoringCase(*type, "mpegvideo");
    if (!names_cd && !names_mpeg)
        return {kMciUnknownDevice, {}};
    const std::string name = alias ? *alias : element.text;
    if (name.empty())
        return {kMciMissingValue, {}};
    if (Find(name) != m_devices.end())
        return {kMciNameInUse, {}};

    MciResult result;
    std::unique_ptr<MciDevice> device;
    if (names_cd) {
        auto cd = std::make_unique<CdAudioDevice>(m_audio);
        result = cd->Open();
        device = std::move(cd);
    } else {
        auto mpeg = std::make_unique<MpegVideoDevice>(m_audio, element.text);
        result = mpeg->Open();
        device = std::move(mpeg);
    }
    if (result.code == kMciOk)
        m_devices.push_back({name, std::move(device)});
    return result;
}

}  // namespace nuvra::linux_platform
