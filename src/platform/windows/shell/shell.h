// The shell on Windows: the system's folder and file choosers, opening a web
// address, and message boxes, all through the ...W calls. The choosers are
// owned by the program's active window, so they stay in front of the
// settings dialog.
#pragma once

#include <string>
#include <string_view>

#include "platform/shell.h"
#include "platform/window.h"

namespace nuvra::windows_platform {

class WindowsShell final : public platform::Shell {
public:
    platform::Choice BrowseForFolder(std::string_view title) override;
    platform::Choice GetOpenFileName(std::string_view title, std::string_view filter_description,
                                     std::string_view filter_patterns, std::string_view initial_folder) override;
    std::int32_t OpenUrl(std::string_view url) override;
};

class WindowsMessageBox final : public platform::MessageBoxService {
public:
    void MessageBox(const std::string& text, const std::string& title, platform::MessageBoxStyle style) override;
};

}  // namespace nuvra::windows_platform
