// The folders the Windows backend may keep its files in: the program's own
// (a portable copy keeps everything beside it, as the program always has),
// and the user's folders for the case where the program sits where the user
// may not write (System32, Program Files). Paths are UTF-8, without a
// trailing separator; an empty one is unknown.
#pragma once

#include <string>

namespace nuvra::windows_platform {

struct ProgramFolders {
    std::string program;   // the folder of the running program file
    std::string settings;  // %APPDATA%\Nuvra: settings of a program that cannot write beside itself
    std::string work;      // %LOCALAPPDATA%\Nuvra: its work files (large, never roamed)

    // The running process's: the program file's folder, and %APPDATA% and
    // %LOCALAPPDATA% from the environment (the shell's folders where a
    // variable is missing or not an absolute path).
    static ProgramFolders OfThisProcess();
};

}  // namespace nuvra::windows_platform
