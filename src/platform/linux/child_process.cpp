#include "platform/linux/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/linux/posix_file.h"
#include "platform/linux/termination.h"

namespace nuvra::linux_platform {

namespace {

constexpr int kPollMilliseconds = 20;
// Where the child finds the pipe it reports a failed exec on.
constexpr int kExecReportFd = 3;
// The descriptors the child is handed are moved at least this high first,
// so that putting them at 0 to 3 never overwrites one not yet placed.
constexpr int kHighFd = 10;

// Everything the child needs, made before the fork: after it only
// async-signal-safe calls are allowed.
class PreparedPrograms {
public:
    explicit PreparedPrograms(const std::vector<CommandLine>& programs) : m_words(programs)
    {
        for (CommandLine& words : m_words) {
            std::vector<char*> argv;
            for (std::string& word : words)
                argv.push_back(word.data());
            argv.push_back(nullptr);
            if (!words.empty())
                m_argv.push_back(std::move(argv));
        }
    }
    bool empty() const { return m_argv.empty(); }
    const std::vector<std::vector<char*>>& argv() const { return m_argv; }

private:
    std::vector<CommandLine> m_words;
    std::vector<std::vector<char*>> m_argv;
};

int MoveHigh(int fd)
{
    return fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, kHighFd) : -1;
}

// In the child: its standard descriptors and the exec report in place, every
// other descriptor closed (with or without close-on-exec: a lock held by
// the child would outlive us), and the signals as a new program expects.
void PlaceDescriptors(int input_fd, int output_fd, int error_fd, int report_fd)
{
    ::dup2(input_fd, STDIN_FILENO);
    ::dup2(output_fd, STDOUT_FILENO);
    ::dup2(error_fd, STDERR_FILENO);
    ::dup2(report_fd, kExecReportFd);
    ::fcntl(kExecReportFd, F_SETFD, FD_CLOEXEC);
    if (::close_range(kExecReportFd + 1, ~0u, 0) != 0) {
        for (int fd = kExecReportFd + 1; fd < 65536; ++fd)
            ::close(fd);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &plain, nullptr);
}

[[noreturn]] void ExecOrReport(const std::vector<std::vector<char*>>& programs)
{
    int error = ENOENT;
    for (const std::vector<char*>& argv : programs) {
        ::execvp(argv[0], argv.data());
        error = errno;
    }
    // Nobody may be reading any more; the exit status says it too.
    [[maybe_unused]] const ssize_t written = ::write(kExecReportFd, &error, sizeof error);
    ::_exit(127);
}

// Blocks until the child has exec'd (the pipe closes unread) or reported
// why it could not: 0 or that errno.
int ReadExecReport(int report_fd)
{
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(report_fd, &error, sizeof error);
        if (got < 0 && errno == EINTR)
            continue;
        return got == static_cast<ssize_t>(sizeof error) ? error : 0;
    }
}

// Reads what the pipe holds now; false once it is at its end.
bool Drain(int fd, ChildResult& result)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            const std::size_t room = kLongestOutput - result.output.size();
            const std::size_t count = static_cast<std::size_t>(got);
            result.output.append(buffer, count < room ? count : room);
            result.output_cut = result.output_cut || count > room;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void Reap(pid_t child, int& status)
{
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

// Waits for the child to end, reading its output meanwhile, or kills it on a
// termination request.
void WaitForChild(pid_t child, int output_fd, ChildResult& result)
{
    bool output_open = output_fd >= 0;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done < 0 && errno != EINTR) {
            result.ending = ChildEnding::Killed;
            return;
        }
        if (done == child)
            break;
        if (TerminationRequested()) {
            ::kill(child, SIGKILL);
            Reap(child, status);
            result.ending = ChildEnding::Abandoned;
            return;
        }
        pollfd watched{output_open ? output_fd : -1, POLLIN, 0};
        ::poll(&watched, 1, kPollMilliseconds);
        if (output_open && watched.revents != 0)
            output_open = Drain(output_fd, result);
    }
    // What it wrote before it ended is in the pipe; a grandchild that kept
    // the pipe open is not waited for.
    if (output_open)
        Drain(output_fd, result);
    if (WIFEXITED(status)) {
        result.ending = ChildEnding::Exited;
        result.exit_code = WEXITSTATUS(status);
    } else {
        result.ending = ChildEnding::Killed;
    }
}

}  // namespace

ChildResult RunChild(const ChildCommand& command)
{
    ChildResult result;
    const FileDescriptor given_input(command.input_fd);
    const PreparedPrograms programs(command.programs);
    if (programs.empty())
        return result;
    const FileDescriptor null_fd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    int output_pipe[2] = {-1, -1};
    if (command.capture_output && ::pipe2(output_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return result;
    const FileDescriptor output_read(output_pipe[0]);
    FileDescriptor output_write(output_pipe[1]);
    int report_pipe[2];
    if (!null_fd.valid() || ::pipe2(report_pipe, O_CLOEXEC) != 0)
        return result;
    const FileDescriptor report_read(report_pipe[0]);
    FileDescriptor report_write(report_pipe[1]);
    // The child's output pipe blocks as any standard output does.
    if (output_write.valid())
        ::fcntl(output_write.get(), F_SETFL, 0);

    const FileDescriptor input(MoveHigh(given_input.valid() ? given_input.get() : null_fd.get()));
    FileDescriptor output(MoveHigh(output_write.valid() ? output_write.get() : null_fd.get()));
    const FileDescriptor error(MoveHigh(null_fd.get()));
    FileDescriptor report(MoveHigh(report_write.get()));
    if (!input.valid() || !output.valid() || !error.valid() || !report.valid())
        return result;

    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // Killed with us, however we end; a parent already gone before the
        // request took hold is caught by asking who the parent is now.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(127);
        PlaceDescriptors(input.get(), output.get(), error.get(), report.get());
        ExecOrReport(programs.argv());
    }
    if (child < 0)
        return result;
    // Only the child may hold the write ends now: their ends are how we
    // learn that it exec'd and that its output is complete.
    report_write.Close();
    report.Close();
    if (output_write.valid())
        output_write.Close();
    output.Close();
    if (ReadExecReport(report_read.get()) != 0) {
        int status = 0;
        Reap(child, status);
        return result;
    }
    WaitForChild(child, output_read.get(), result);
    return result;
}

// Two forks: the middle child ends at once and is reaped here, and the
// program, orphaned, is reaped by the system whenever it ends. It is in a
// session of its own, so that our terminal's hangup does not end it either.
int StartDetached(const CommandLine& program)
{
    const PreparedPrograms programs({program});
    if (programs.empty())
        return ENOENT;
    const FileDescriptor null_fd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    int report_pipe[2];
    if (!null_fd.valid() || ::pipe2(report_pipe, O_CLOEXEC) != 0)
        return errno;
    const FileDescriptor report_read(report_pipe[0]);
    FileDescriptor report_write(report_pipe[1]);
    const FileDescriptor null_high(MoveHigh(null_fd.get()));
    FileDescriptor report(MoveHigh(report_write.get()));
    if (!null_high.valid() || !report.valid())
        return EMFILE;

    const pid_t middle = ::fork();
    if (middle == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            PlaceDescriptors(null_high.get(), null_high.get(), null_high.get(), report.get());
            ExecOrReport(programs.argv());
        }
        if (grandchild < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(report.get(), &error, sizeof error);
        }
        ::_exit(0);
    }
    if (middle < 0)
        return errno;
    report_write.Close();
    report.Close();
    int status = 0;
    Reap(middle, status);
    return ReadExecReport(report_read.get());
}

std::optional<std::string> FindOnPath(std::string_view program)
{
    if (program.empty() || program.find('\0') != std::string_view::npos)
        return std::nullopt;
    const auto runnable = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    if (program.find('/') != std::string_view::npos) {
        std::string path(program);
        return runnable(path) ? std::optional<std::string>(path) : std::nullopt;
    }
    // execvp's own default where PATH is not set.
    const char* variable = std::getenv("PATH");
    const std::string_view search = variable != nullptr ? variable : "/bin:/usr/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(search.find(':', start), search.size());
        std::string folder(search.substr(start, end - start));
        // An empty entry is the current folder, as execvp takes it.
        std::string path = (folder.empty() ? std::string(".") : folder) + "/" + std::string(program);
        if (runnable(path))
            return path;
        if (end == search.size())
            return std::nullopt;
        start = end + 1;
    }
}

}  // namespace nuvra::linux_platform
