// Shell services: the folder and file pickers and opening a web address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nuvra::platform {

class Shell {
public:
    virtual ~Shell() = default;
    // SHBrowseForFolder + SHGetPathFromIDList: the chosen folder, or nothing
    // when the user cancelled.
    virtual std::optional<std::string> BrowseForFolder(std::string_view title) = 0;
    // GetOpenFileNameA: the chosen file, or nothing when the user cancelled.
    // filter is a list of (description, patterns) pairs, patterns separated
    // by ';'.
    virtual std::optional<std::string> GetOpenFileName(std::string_view title, std::string_view filter_description,
                                                       std::string_view filter_patterns,
                                                       std::string_view initial_folder) = 0;
    // ShellExecuteA "open": a value above 32 means success.
    virtual std::int32_t OpenUrl(std::string_view url) = 0;
};

}  // namespace nuvra::platform
