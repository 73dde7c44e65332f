// The shell services on a Linux desktop: the folder and file choosers are
// the desktop's own chooser programs (zenity, else kdialog), the web page
// opens through xdg-open. Each runs as a child process without a shell
// (child_process.h): titles, filter words and paths reach it exactly.
//
// A chooser is modal in the sense that the call returns when it closes: its
// path (Chosen), nothing (Cancelled: the user cancelled it, it failed, or a
// termination request closed it), or Unavailable with the programs to
// install when neither is on PATH. The browser is started and left to
// itself: OpenUrl returns as soon as xdg-open runs (42), or 2 (the file was
// not found) where it is not installed.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/shell.h"

namespace nuvra::linux_platform {

class LinuxShell final : public platform::Shell {
public:
    platform::Choice BrowseForFolder(std::string_view title) override;
    platform::Choice GetOpenFileName(std::string_view title, std::string_view filter_description,
                                     std::string_view filter_patterns, std::string_view initial_folder) override;
    std::int32_t OpenUrl(std::string_view url) override;
};

}  // namespace nuvra::linux_platform
