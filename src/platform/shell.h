// Shell services: the folder and file pickers and opening a web address.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvra::platform {

// What a chooser gave: a path, the user's cancel, or no chooser at all
// (why in path: a sentence for the user).
enum class ChoiceOutcome { Chosen, Cancelled, Unavailable };

struct Choice {
    ChoiceOutcome outcome = ChoiceOutcome::Cancelled;
    std::string path;  // Chosen: the path; Unavailable: why, in words for the user
};

class Shell {
public:
    virtual ~Shell() = default;
    // SHBrowseForFolder + SHGetPathFromIDList: the chosen folder. The
    // chooser is modal and starts at the user's home (the desktop's top).
    virtual Choice BrowseForFolder(std::string_view title) = 0;
    // GetOpenFileNameA: the chosen file, offering the files that match
    // filter_patterns (separated by ';', matched without regard to case)
    // under filter_description; starts in initial_folder (empty: the
    // process's current folder).
    virtual Choice GetOpenFileName(std::string_view title, std::string_view filter_description,
                                   std::string_view filter_patterns, std::string_view initial_folder) = 0;
    // ShellExecuteA "open": a value above 32 means success.
    virtual std::int32_t OpenUrl(std::string_view url) = 0;
};

}  // namespace nuvra::platform
