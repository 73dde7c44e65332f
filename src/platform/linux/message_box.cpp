#include "platform/linux/message_box.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/linux/child_process.h"
#include "platform/linux/posix_file.h"
#include "platform/linux/termination.h"

namespace nuvra::linux_platform {

namespace {

// xmessage reads the text from its standard input (an argument starting with
// '-' would be taken for an option); a pipe's buffer holds this much without
// a reader, so writing it never waits.
constexpr std::size_t kLongestText = 4096;

// zenity, else xmessage.
std::vector<CommandLine> DialogFor(const std::string& text, const std::string& title, platform::MessageBoxStyle style)
{
    const char* kind = "--info";
    if (style == platform::MessageBoxStyle::OkCritical)
        kind = "--error";
    else if (style == platform::MessageBoxStyle::OkExclamation)
        kind = "--warning";
    // --no-markup: the text is shown as it is, '<' and '&' included.
    return {{"zenity", kind, "--no-markup", "--title", title, "--text", text},
            {"xmessage", "-title", title, "-center", "-buttons", "OK:0", "-default", "OK", "-file", "-"}};
}

}  // namespace

void LinuxMessageBox::MessageBox(const std::string& text, const std::string& title, platform::MessageBoxStyle style)
{
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    const char* display = std::getenv("DISPLAY");
    if (m_place == MessageBoxPlace::TerminalOnly || display == nullptr || *display == '\0' || TerminationRequested())
        return;

    int text_pipe[2];
    if (::pipe2(text_pipe, O_CLOEXEC) != 0)
        return;
    FileDescriptor text_in(text_pipe[0]);
    FileDescriptor text_out(text_pipe[1]);
    const std::string shown = text.substr(0, kLongestText) + "\n";
    if (::write(text_out.get(), shown.data(), shown.size()) < 0)
        return;
    text_out.Close();
    ChildCommand dialog;
    dialog.programs = DialogFor(text, title, style);
    dialog.input_fd = text_in.release();
    RunChild(dialog);
}

}  // namespace nuvra::linux_platform
