// Reading the command line, once, into the Mode the program runs in.
//
// The screen-saver host passes one text: the mode letter is its second
// character, upper-cased; the window handle is the text from the fourth
// character on. Positions count characters, not bytes. A screen-saver
// daemon instead passes flags (--root, --window-id; see hosted_options.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/show_start.h"
#include "startup/hosted_options.h"

namespace nuvra {

enum class ModeKind {
    Show,            // "S", or no switch at all
    Preview,         // "P" and the pane's handle
    Settings,        // "C", or "C:" and the window that owns the dialog
    ChangePassword,  // "A" and the parent window's handle
    Hosted,          // inside a screen-saver daemon's window
    Other,           // any other switch: the settings are loaded, then the program ends
};

struct Mode {
    ModeKind kind = ModeKind::Other;
    ShowStart show_start = ShowStart::System;  // Show: System for "S", User for no switch
    std::string handle_text;                    // Preview, Settings, ChangePassword
    HostedOptions hosted;                       // Hosted
};

// The host's command line, as one text.
Mode ReadCommandLine(std::string_view command_line);

// The words the program was started with: a daemon's flags make a hosted
// show (daemon_window: the value of XSCREENSAVER_WINDOW, when set); any
// other words are joined with single blanks and read as the host's text
// (a shell splits "/p 1234" into two words).
Mode ReadArguments(const std::vector<std::string>& arguments, std::optional<std::string_view> daemon_window);

// "S", "P", "C", "A", any other character, or the empty text when the
// command line has fewer than two characters.
std::string ModeLetter(std::string_view command_line);

// The command line from its fourth character to the end, case unchanged.
std::string HandleText(std::string_view command_line);

}  // namespace nuvra
