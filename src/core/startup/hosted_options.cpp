#include "startup/hosted_options.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "display/frame_pacing.h"
#include "files/paths.h"
#include "images/image_list.h"

namespace nuvra {

namespace {

constexpr std::string_view kFlagPrefixes[] = {"--", "-"};

// The flags that take a value, as the next word or after "=".
constexpr std::string_view kValueFlags[] = {"window-id", "folder", "order", "position", "interval", "speed", "music", "fps"};

// "--name" or "-name", and the value of "--name=value" where given so.
struct Flag {
    std::string name;
    std::optional<std::string> inline_value;
};

std::optional<Flag> ReadFlag(std::string_view argument)
{
    for (std::string_view prefix : kFlagPrefixes) {
        if (argument.size() > prefix.size() && argument.substr(0, prefix.size()) == prefix) {
            std::string_view rest = argument.substr(prefix.size());
            const std::size_t equals = rest.find('=');
            if (equals == std::string_view::npos)
                return Flag{std::string(rest), std::nullopt};
            return Flag{std::string(rest.substr(0, equals)), std::string(rest.substr(equals + 1))};
        }
    }
    return std::nullopt;
}

std::optional<int> WholeNumberIn(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string Lowered(std::string_view text)
{
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

class Overrides {
public:
    Overrides(ProcessState& state, platform::Platform& platform) : m_state(state), m_platform(platform) {}

    void Refuse(std::string_view flag, std::string_view value, std::string_view wanted)
    {
        m_platform.diagnostics->Report("--" + std::string(flag) + " \"" + std::string(value) + "\": " +
                                       std::string(wanted) + "; the settings file's value is used");
    }

    void Folder(const std::string& given)
    {
        // The daemon's settings dialog offers a file chooser: a picture
        // picked in the folder stands for its folder.
        std::string folder = given;
        if (!FolderExists(folder, *m_platform.files) && FileExists(folder, *m_platform.files))
            folder = ParentFolder(folder);
        if (!FolderExists(folder, *m_platform.files)) {
            Refuse("folder", given, "no such folder");
            return;
        }
        m_state.nuvra_b.settings.ImageFolder = folder;
    }

    // words name the options in the order of their stored numbers, from 0.
    template <typename Option>
    void Choice(std::string_view flag, const std::string& value, std::initializer_list<std::string_view> words,
                Option& field, std::string_view wanted)
    {
        std::int16_t number = 0;
        for (std::string_view word : words) {
            if (Lowered(value) == word) {
                field = static_cast<Option>(number);
                return;
            }
            ++number;
        }
        Refuse(flag, value, wanted);
    }

    void Number(std::string_view flag, const std::string& value, int low, int high, std::int16_t& field)
    {
        if (std::optional<int> number = WholeNumberIn(value, low, high)) {
            field = static_cast<std::int16_t>(*number);
            return;
        }
        Refuse(flag, value, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    }

    void Music(const std::string& file)
    {
        SoundSettings& music = m_state.sound_01.settings;
        if (file.empty()) {
            music.BgmKind = BgmKindOption::None;
            return;
        }
        const std::string ending = file.size() >= 4 ? Lowered(file.substr(file.size() - 4)) : std::string();
        if (ending != ".mp3" && ending != ".wav") {
            Refuse("music", file, "an MP3 or WAV file is needed");
            return;
        }
        if (!FileExists(file, *m_platform.files)) {
            Refuse("music", file, "the file cannot be read");
            return;
        }
        music.BgmKind = BgmKindOption::MusicFile;
        music.BgmFile = file;
    }

private:
    ProcessState& m_state;
    platform::Platform& m_platform;
};

}  // namespace

bool IsHostedCommandLine(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        const std::optional<Flag> flag = ReadFlag(argument);
        if (flag && (flag->name == "root" || flag->name == "window-id" || flag->name == "layer"))
            return true;
    }
    return false;
}

std::optional<std::int64_t> ParseWindowId(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::int64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    // X window ids are 29-bit numbers above 0.
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id <= 0 || id > 0x1FFFFFFF)
        return std::nullopt;
    return id;
}

HostedOptions ParseHostedCommandLine(const std::vector<std::string>& arguments,
                                     std::optional<std::string_view> daemon_window)
{
    HostedOptions options;
    bool root = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::optional<Flag> flag = ReadFlag(arguments[i]);
        if (!flag) {
            options.problems.push_back("\"" + arguments[i] + "\" is not an option; it is left out");
            continue;
        }
        if (flag->name == "root") {
            root = true;
            continue;
        }
        if (flag->name == "recursive") {
            options.recursive = true;
            continue;
        }
        // Its value only ever follows "=": a bare --layer is the overlay.
        if (flag->name == "layer") {
            const std::string layer = flag->inline_value.value_or("overlay");
            if (layer == "overlay") {
                options.layer = platform::SurfaceLayer::Overlay;
            } else if (layer == "background") {
                options.layer = platform::SurfaceLayer::Background;
            } else {
                options.layer = platform::SurfaceLayer::Overlay;
                options.problems.push_back("--layer=" + layer +
                                           " is neither overlay nor background; the overlay is used");
            }
            continue;
        }
        // An unknown flag is left out alone: the word after it may be the
        // next flag, or a value of no flag we know.
        if (std::find(std::begin(kValueFlags), std::end(kValueFlags), flag->name) == std::end(kValueFlags)) {
            options.problems.push_back("--" + flag->name + " is not an option; it is left out");
            continue;
        }
        std::optional<std::string> value = flag->inline_value;
        if (!value && i + 1 < arguments.size())
            value = arguments[++i];
        if (!value) {
            options.problems.push_back("--" + flag->name + " needs a value");
            continue;
        }
        if (flag->name == "window-id") {
            options.window = ParseWindowId(*value);
            if (!options.window)
                options.problems.push_back("--window-id \"" + *value + "\" names no window");
        } else if (flag->name == "folder") {
            options.folder = value;
        } else if (flag->name == "order") {
            options.order = value;
        } else if (flag->name == "position") {
            options.position = value;
        } else if (flag->name == "interval") {
            options.interval = value;
        } else if (flag->name == "speed") {
            options.speed = value;
        } else if (flag->name == "music") {
            options.music = value;
        } else if (flag->name == "fps") {
            options.fps = value;
        }
    }
    // The daemon's window, where it names one; otherwise the root window.
    if (root && !options.window && daemon_window) {
        options.window = ParseWindowId(*daemon_window);
        if (!options.window)
            options.problems.push_back("XSCREENSAVER_WINDOW \"" + std::string(*daemon_window) +
                                       "\" names no window; the show is drawn on the root window");
    }
    return options;
}

void ApplyHostedOverrides(const HostedOptions& options, ProcessState& state, platform::Platform& platform)
{
    Overrides overrides(state, platform);
    SettingsRecord& settings = state.nuvra_b.settings;
    if (options.recursive)
        settings.Subfolders = SubfolderOption::On;
    if (options.folder)
        overrides.Folder(*options.folder);
    if (options.order)
        overrides.Choice("order", *options.order, {"file", "random"}, settings.OrderMode, "\"file\" or \"random\"");
    if (options.position)
        overrides.Choice("position", *options.position, {"centre", "moving", "random"}, settings.ImagePosition,
                         "\"centre\", \"moving\" or \"random\"");
    if (options.interval)
        overrides.Number("interval", *options.interval, 10, 60, settings.ChangeInterval);
    if (options.speed)
        overrides.Number("speed", *options.speed, 1, 10, settings.RotationSpeed);
    if (options.music)
        overrides.Music(*options.music);
    if (options.fps)
        overrides.Number("fps", *options.fps, kLowestFrameLimit, kHighestFrameLimit, state.nuvra_b.FrameLimit);
}

}  // namespace nuvra
