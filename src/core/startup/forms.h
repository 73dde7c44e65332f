// The three forms start-up hands over to. Each runs until its form is gone
// and returns the process's exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "display/show_start.h"

namespace nuvra {

class Forms {
public:
    virtual ~Forms() = default;
    // Nuvra_R inside the host's preview pane; returns when the pane goes away.
    virtual int HostPreview(std::int32_t parent_window) = 0;
    // Nuvra_P, modal, owned by owner_window when there is one (it then stays
    // in front of it); returns when the dialog has closed.
    virtual int ShowSettingsDialog(std::optional<std::int64_t> owner_window) = 0;
    // Nuvra_S; its load handler runs the whole show.
    virtual int LoadDisplayForm(ShowStart start) = 0;
    // Nuvra_S hosted in a screen-saver daemon's window (none: the root
    // window); see DisplayForm::HostIn.
    virtual int LoadHostedDisplayForm(std::optional<std::int64_t> window, bool play_music,
                                      const std::string& work_file_tag) = 0;
};

}  // namespace nuvra
