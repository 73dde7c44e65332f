#include "platform/linux/desktop_shell.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/child_process.h"

namespace nuvra::linux_platform {

namespace {

using platform::Choice;
using platform::ChoiceOutcome;

// ShellExecute's answers: above 32 is success.
constexpr std::int32_t kOpened = 42;
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kAccessDenied = 5;
constexpr std::int32_t kOutOfResources = 0;

enum class Chooser { Zenity, Kdialog };

struct FoundChooser {
    Chooser kind;
    std::string path;
};

std::optional<FoundChooser> FindChooser()
{
    if (std::optional<std::string> zenity = FindOnPath("zenity"))
        return FoundChooser{Chooser::Zenity, *zenity};
    if (std::optional<std::string> kdialog = FindOnPath("kdialog"))
        return FoundChooser{Chooser::Kdialog, *kdialog};
    return std::nullopt;
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return "/";
}

std::string CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return HomeFolder();
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// zenity opens the folder a name ending in '/' names.
std::string AsFolderName(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "*.mp3;*.wav" as "*.MP3 *.mp3 *.WAV *.wav": the choosers match names with
// regard to case, the caller asks for them without.
std::string PatternWords(std::string_view filter_patterns)
{
    std::vector<std::string> words;
    const auto add = [&words](const std::string& word) {
        for (const std::string& known : words) {
            if (known == word)
                return;
        }
        words.push_back(word);
    };
    std::size_t start = 0;
    while (start <= filter_patterns.size()) {
        const std::size_t end = std::min(filter_patterns.find(';', start), filter_patterns.size());
        std::string pattern(filter_patterns.substr(start, end - start));
        // A blank would split the pattern in two for the chooser.
        std::erase_if(pattern, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
        if (!pattern.empty()) {
            add(Upper(pattern));
            add(Lower(pattern));
        }
        start = end + 1;
    }
    std::string joined;
    for (const std::string& word : words)
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

// The choosers take what comes after the first '|' for the patterns.
std::string FilterName(std::string_view description)
{
    std::string name(description);
    std::erase(name, '|');
    return name;
}

Choice Run(const CommandLine& command)
{
    ChildCommand chooser;
    chooser.programs = {command};
    chooser.capture_output = true;
    ChildResult result = RunChild(chooser);
    if (result.ending == ChildEnding::NotStarted)
        return {ChoiceOutcome::Unavailable, command.front() + " could not be started."};
    if (result.ending != ChildEnding::Exited || result.exit_code != 0 || result.output_cut)
        return {ChoiceOutcome::Cancelled, {}};
    // The chooser ends the path with a newline; a name may hold others.
    if (!result.output.empty() && result.output.back() == '\n')
        result.output.pop_back();
    if (result.output.empty())
        return {ChoiceOutcome::Cancelled, {}};
    return {ChoiceOutcome::Chosen, std::move(result.output)};
}

Choice NoChooser(const char* what)
{
    return {ChoiceOutcome::Unavailable,
            std::string("Choosing a ") + what + " needs the zenity program (or kdialog): please install zenity."};
}

}  // namespace

Choice LinuxShell::BrowseForFolder(std::string_view title)
{
    const std::optional<FoundChooser> chooser = FindChooser();
    if (!chooser)
        return NoChooser("folder");
    const std::string home = HomeFolder();
    if (chooser->kind == Chooser::Zenity) {
        return Run({chooser->path, "--file-selection", "--directory", "--title=" + std::string(title),
                    "--filename=" + AsFolderName(home)});
    }
    return Run({chooser->path, "--getexistingdirectory", home, "--title", std::string(title)});
}

Choice LinuxShell::GetOpenFileName(std::string_view title, std::string_view filter_description,
                                   std::string_view filter_patterns, std::string_view initial_folder)
{
    const std::optional<FoundChooser> chooser = FindChooser();
    if (!chooser)
        return NoChooser("file");
    std::string folder(initial_folder);
    if (folder.empty())
        folder = CurrentFolder();
    else if (folder.front() != '/')
        folder = AsFolderName(CurrentFolder()) + folder;
    const std::string patterns = PatternWords(filter_patterns);
    const std::string name = FilterName(filter_description);
    CommandLine command;
    if (chooser->kind == Chooser::Zenity) {
        command = {chooser->path, "--file-selection", "--title=" + std::string(title)};
        if (!patterns.empty())
            command.push_back("--file-filter=" + name + " | " + patterns);
        command.push_back("--filename=" + AsFolderName(folder));
    } else {
        command = {chooser->path, "--getopenfilename", folder};
        if (!patterns.empty())
            command.push_back(patterns + "|" + name);
        command.insert(command.end(), {"--title", std::string(title)});
    }
    return Run(command);
}

std::int32_t LinuxShell::OpenUrl(std::string_view url)
{
    // xdg-open would take a word starting with '-' for an option of its own.
    if (url.empty() || url.front() == '-' || url.find('\0') != std::string_view::npos)
        return kFileNotFound;
    const std::optional<std::string> xdg_open = FindOnPath("xdg-open");
    if (!xdg_open)
        return kFileNotFound;
    switch (StartDetached({*xdg_open, std::string(url)})) {
    case 0:
        return kOpened;
    case ENOENT:
        return kFileNotFound;
    case EACCES:
        return kAccessDenied;
    default:
        return kOutOfResources;
    }
}

}  // namespace nuvra::linux_platform
