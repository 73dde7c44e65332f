// The X server going away under a running backend (the user logs out): the
// cleanup registered with the backend runs once and the process ends with
// status 1, whichever of our connections finds the loss. Each case runs in a
// child process of its own, against a private Xvfb that is then killed.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/backend.h"
#include "support/e2e_harness.h"

namespace nuvra::linux_platform {
namespace {

using namespace std::chrono_literals;

// The child's pipes: it says "ready" once its connection is open, and the
// cleanup writes one byte for every time it runs.
struct Pipes {
    int ready[2] = {-1, -1};
    int cleaned[2] = {-1, -1};
    Pipes()
    {
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(cleaned), 0);
    }
    ~Pipes()
    {
        for (int fd : {ready[0], ready[1], cleaned[0], cleaned[1]})
            if (fd >= 0)
                close(fd);
    }
};

bool ReadableWithin(int fd, std::chrono::milliseconds limit)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, static_cast<int>(limit.count())) == 1;
}

struct Outcome {
    int status = -1;  // the exit code, 128 + a signal, or -1 when it hung
    std::string cleanups;
};

// In a child: a backend on server's display, the cleanup registered, then
// connect() opens a connection and use() is called until the process ends.
Outcome LoseTheDisplay(e2e::XServer& server, bool register_cleanup, const std::function<void(LinuxBackend&)>& connect,
                       const std::function<void(LinuxBackend&)>& use)
{
    Pipes pipes;
    const std::string display = server.name();
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        LinuxBackend backend;
        const int cleaned = pipes.cleaned[1];
        if (register_cleanup)
            backend.SetDisplayLostHandler([cleaned] { (void)!write(cleaned, "c", 1); });
        connect(backend);
        (void)!write(pipes.ready[1], "r", 1);
        for (int i = 0; i < 1000; ++i) {
            use(backend);
            std::this_thread::sleep_for(10ms);
        }
        _exit(0);  // the loss went unnoticed
    }
    Outcome outcome;
    close(std::exchange(pipes.ready[1], -1));
    close(std::exchange(pipes.cleaned[1], -1));
    EXPECT_TRUE(ReadableWithin(pipes.ready[0], e2e::Patience(10s))) << "the child never connected";
    server.Crash();
    int raw = 0;
    const bool ended = e2e::WaitUntil([&] { return waitpid(child, &raw, WNOHANG) == child; }, e2e::Patience(20s));
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &raw, 0);
        return outcome;
    }
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    char bytes[16];
    while (ReadableWithin(pipes.cleaned[0], 0ms)) {
        const ssize_t n = read(pipes.cleaned[0], bytes, sizeof bytes);
        if (n <= 0)
            break;
        outcome.cleanups.append(bytes, static_cast<std::size_t>(n));
    }
    return outcome;
}

TEST(LinuxDisplayLoss, TheCleanupRunsOnceAndTheProcessEndsWithStatusOne)
{
    const auto pointer = [](LinuxBackend& backend) { backend.services().cursor->GetCursorPos(); };
    const auto window = [](LinuxBackend& backend) {
        platform::WindowRequest request;
        request.title = "loss";
        request.bounds = {0, 0, 64, 64};
        // Released by the process's end, which the test is about.
        static std::unique_ptr<platform::Window> opened;
        opened = backend.services().windows->CreateWindow(request);
        if (opened)
            opened->Show();
    };
    const auto events = [](LinuxBackend& backend) {
        std::vector<platform::InputEvent> input;
        backend.services().windows->PollEvents(input);
    };
    const struct {
        const char* name;
        bool register_cleanup;
        std::function<void(LinuxBackend&)> connect, use;
        const char* cleanups;
    } cases[] = {
        {"the pointer's connection", true, pointer, pointer, "c"},
        {"the window's connection", true, window, events, "c"},
        {"no cleanup registered", false, window, events, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        e2e::XServer server(320, 240);
        ASSERT_TRUE(server.ready()) << server.failure();
        const Outcome outcome = LoseTheDisplay(server, c.register_cleanup, c.connect, c.use);
        ASSERT_NE(outcome.status, -1) << "the process did not end when its display went away";
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.cleanups, c.cleanups) << "one 'c' for each time the cleanup ran";
    }
}

}  // namespace
}  // namespace nuvra::linux_platform
