// The desktop's helper programs (a message box, the folder and file choosers,
// the browser) run as child processes of ours, never through a shell: the
// words of a command reach the program exactly as they are, Japanese titles
// and blanks in paths included.
//
// A child we wait for (RunChild) dies with us, even when we are killed,
// holds none of our descriptors (an instance lock among them) and never
// holds the process: a termination request kills it and ends the wait, and
// the request is left for the show's event pump. A detached child
// (StartDetached) is not waited for and outlives us, as a browser must.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::linux_platform {

using CommandLine = std::vector<std::string>;

struct ChildCommand {
    // Tried in turn, each looked up on PATH: the first that starts runs.
    std::vector<CommandLine> programs;
    // What the child reads (ours to close), or -1 for /dev/null.
    int input_fd = -1;
    // Its standard output is read into ChildResult::output; else it goes
    // to /dev/null, as its standard error always does (a toolkit's warnings
    // are not ours to print).
    bool capture_output = false;
};

enum class ChildEnding {
    NotStarted,  // no program could be started
    Exited,      // exit_code holds its status
    Killed,      // ended by a signal
    Abandoned,   // killed by us on a termination request
};

struct ChildResult {
    ChildEnding ending = ChildEnding::NotStarted;
    int exit_code = 0;
    // At most kLongestOutput bytes; output_cut when there was more.
    std::string output;
    bool output_cut = false;
};

// Far beyond any path a chooser gives back.
inline constexpr std::size_t kLongestOutput = 64 * 1024;

// Runs the command and waits for it to end (or for a termination request).
ChildResult RunChild(const ChildCommand& command);

// Starts program, not waited for and not killed with us; 0 when it started,
// else the errno that kept it from starting (ENOENT: not on PATH).
int StartDetached(const CommandLine& program);

// program's full path as execvp would find it on PATH (PATH unset: the
// system's default path), or nothing when it is not there.
std::optional<std::string> FindOnPath(std::string_view program);

}  // namespace nuvra::linux_platform
