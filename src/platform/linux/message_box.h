// The few messages the program shows (" 8-Bit Bitmaps Only!"): always on
// standard error, and on the screen through the desktop's dialog program
// (zenity, else xmessage) run as a child process of ours.
//
// The box never holds the process: MessageBox returns when the box is
// closed, or at once when a termination signal arrives (the child is killed
// and the request is left for the show's event pump). The child dies with
// us, even when we are killed, and holds none of our descriptors (an
// instance lock among them).
#pragma once

#include <string>

#include "platform/window.h"

namespace nuvra::linux_platform {

enum class MessageBoxPlace {
    ScreenAndTerminal,  // the box where a display is named, and standard error
    TerminalOnly,       // standard error alone: no box ever appears
};

class LinuxMessageBox final : public platform::MessageBoxService {
public:
    void MessageBox(const std::string& text, const std::string& title, platform::MessageBoxStyle style) override;

    // TerminalOnly for a run where nobody may answer a box (hosted by a
    // screen-saver daemon, which owns the screen). ScreenAndTerminal at first.
    void SetPlace(MessageBoxPlace place) { m_place = place; }

private:
    MessageBoxPlace m_place = MessageBoxPlace::ScreenAndTerminal;
};

}  // namespace nuvra::linux_platform
