#include "platform/linux/message_box.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/linux/posix_file.h"
#include "platform/linux/termination.h"

namespace nuvra::linux_platform {

namespace {

using namespace std::chrono_literals;

// xmessage reads the text from its standard input (an argument starting with
// '-' would be taken for an option); a pipe's buffer holds this much without
// a reader, so writing it never waits.
constexpr std::size_t kLongestText = 4096;

// Everything the child needs, made before the fork: after it only
// async-signal-safe calls are allowed.
struct DialogCommand {
    std::vector<std::string> zenity;
    std::vector<std::string> xmessage;
};

DialogCommand DialogFor(const std::string& text, const std::string& title, platform::MessageBoxStyle style)
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

std::vector<char*> Arguments(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

// Runs in the child, between fork and exec.
[[noreturn]] void RunDialog(pid_t parent, int text_fd, int null_fd, char* const* zenity, char* const* xmessage)
{
    // Killed with us, however we end; a parent already gone before the
    // request took hold is caught by asking who the parent is now.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(text_fd, STDIN_FILENO);
    // The dialog's toolkit warnings are not ours to print.
    ::dup2(null_fd, STDOUT_FILENO);
    ::dup2(null_fd, STDERR_FILENO);
    // Every other descriptor goes, with or without close-on-exec: a lock
    // held by the dialog would outlive us.
    if (::close_range(3, ~0u, 0) != 0) {
        for (int fd = 3; fd < 65536; ++fd)
            ::close(fd);
    }
    ::execvp(zenity[0], zenity);
    ::execvp(xmessage[0], xmessage);
    ::_exit(127);
}

// Waits for the dialog to be closed, or for a termination request, which
// closes it.
void WaitForDialog(pid_t child)
{
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return;
        if (TerminationRequested()) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return;
        }
        std::this_thread::sleep_for(20ms);
    }
}

}  // namespace

void LinuxMessageBox::MessageBox(const std::string& text, const std::string& title, platform::MessageBoxStyle style)
{
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    const char* display = std::getenv("DISPLAY");
    if (m_place == MessageBoxPlace::TerminalOnly || display == nullptr || *display == '\0' || TerminationRequested())
        return;

    DialogCommand command = DialogFor(text, title, style);
    std::vector<char*> zenity = Arguments(command.zenity);
    std::vector<char*> xmessage = Arguments(command.xmessage);
    int text_pipe[2];
    if (::pipe2(text_pipe, O_CLOEXEC) != 0)
        return;
    FileDescriptor text_in(text_pipe[0]);
    FileDescriptor text_out(text_pipe[1]);
    const std::string shown = text.substr(0, kLongestText) + "\n";
    if (::write(text_out.get(), shown.data(), shown.size()) < 0)
        return;
    text_out.Close();
    const FileDescriptor null_fd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!null_fd.valid())
        return;

    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0)
        RunDialog(parent, text_in.get(), null_fd.get(), zenity.data(), xmessage.data());
    if (child > 0)
        WaitForDialog(child);
}

}  // namespace nuvra::linux_platform
