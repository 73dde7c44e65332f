#include "ui/form_runtime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_windows.h"

namespace nuvra {
namespace {

// A form that records what reaches it, by name.
class RecordingForm final : public Form {
public:
    RecordingForm(std::string name, std::int64_t window, std::vector<std::string>& log)
        : m_name(std::move(name)), m_window(window), m_log(log)
    {
    }
    std::int64_t WindowHandle() const override { return m_window; }
    bool Loaded() const override { return loaded; }
    void OnInput(const platform::InputEvent& event) override
    {
        m_log.push_back(m_name + " key " + std::to_string(static_cast<int>(event.key)));
        if (on_input)
            on_input(event);
    }

    bool loaded = true;
    std::function<void(const platform::InputEvent&)> on_input;

private:
    std::string m_name;
    std::int64_t m_window;
    std::vector<std::string>& m_log;
};

// The key's number tells the events apart.
platform::InputEvent KeyFor(std::int64_t window, int code)
{
    platform::InputEvent event = test::Key(static_cast<platform::Key>(code));
    event.window = window;
    return event;
}

class FormRuntimeTest : public ::testing::Test {
protected:
    FormRuntimeTest() { clock.now = 0; }
    test::FakeWindowSystem windows;
    test::FakeClock clock;
    FormRuntime runtime{windows, clock};
    std::vector<std::string> log;
};

TEST_F(FormRuntimeTest, ATimerThatFellBehindTicksOnceAndIsNextDueAnIntervalAfterNow)
{
    RecordingForm form("show", 7, log);
    FormTimer timer{false, 1000};
    int ticks = 0;
    runtime.AddTimer(form, timer, [&] { ++ticks; });
    timer.Enable(clock.now);

    // Each pump at the given time, and the ticks it must give.
    const struct {
        std::uint64_t at;
        int ticks;
    } pumps[] = {
        {999, 0},  {1000, 1}, {1500, 0},
        {5500, 1},  // four intervals late: one tick, not four
        {5600, 0}, {6000, 0}, {6499, 0},  // a burst would tick here
        {6500, 1}, {7499, 0}, {7500, 1},
    };
    for (const auto& pump : pumps) {
        clock.now = pump.at;
        ticks = 0;
        runtime.RunOnce();
        EXPECT_EQ(ticks, pump.ticks) << "pump at " << pump.at << " ms";
    }
}

TEST_F(FormRuntimeTest, EveryDueTimerTicksOncePerPumpInTheOrderTimersWereAdded)
{
    RecordingForm form("show", 7, log);
    FormTimer fast{false, 1}, slow{false, 1000}, off{false, 1};
    runtime.AddTimer(form, slow, [&] { log.push_back("slow"); });
    runtime.AddTimer(form, fast, [&] { log.push_back("fast"); });
    runtime.AddTimer(form, off, [&] { log.push_back("off"); });
    fast.Enable(0);
    slow.Enable(0);
    clock.now = 5000;
    runtime.RunOnce();
    clock.now = 5001;
    runtime.RunOnce();
    EXPECT_EQ(log, (std::vector<std::string>{"slow", "fast", "fast"}));
}

TEST_F(FormRuntimeTest, InputGoesToTheFormThatOwnsItsWindowAndProcessEventsToEveryForm)
{
    RecordingForm show("show", 7, log), dialog("dialog", 9, log);
    runtime.AddForm(show);
    runtime.AddForm(dialog);
    platform::InputEvent close;
    close.kind = platform::InputKind::Close;  // window 0: the process is asked to end
    windows.script.push_back({KeyFor(9, 1), KeyFor(7, 2), KeyFor(12, 3), close});

    runtime.RunOnce();

    EXPECT_EQ(log, (std::vector<std::string>{"dialog key 1", "show key 2", "show key 0", "dialog key 0"}))
        << "an event for a window no form owns goes nowhere";
}

TEST_F(FormRuntimeTest, AFormThatUnloadsDuringThePumpGetsNothingMoreFromIt)
{
    RecordingForm show("show", 7, log);
    FormTimer timer{false, 1};
    runtime.AddTimer(show, timer, [&] { log.push_back("tick"); });
    timer.Enable(0);
    show.on_input = [&](const platform::InputEvent&) { show.loaded = false; };
    windows.script.push_back({KeyFor(7, 1), KeyFor(7, 2)});
    clock.now = 10;

    runtime.RunOnce();

    EXPECT_EQ(log, (std::vector<std::string>{"show key 1"}));
}

TEST_F(FormRuntimeTest, APostedActionRunsOnceThePendingInputIsHandledAndAfterEveryDueTimer)
{
    // A handler never pumps: what it posts runs after the rest of its batch,
    // the due timer and the next batch (a close there may make it moot),
    // and before the idle step. The timer, already served, does not tick
    // twice.
    RecordingForm show("show", 7, log);
    FormTimer timer{false, 1000};
    runtime.AddTimer(show, timer, [&] { log.push_back("tick"); });
    runtime.AddIdleStep(show, [&] {
        log.push_back("step");
        return NextStep{};
    });
    timer.Enable(0);
    clock.now = 1000;
    show.on_input = [&](const platform::InputEvent& event) {
        if (event.key == static_cast<platform::Key>(1))
            runtime.Post([&] { log.push_back("posted"); });
    };
    windows.script.push_back({KeyFor(7, 1), KeyFor(7, 2)});
    windows.script.push_back({KeyFor(7, 3)});

    runtime.RunOnce();

    EXPECT_EQ(log, (std::vector<std::string>{"show key 1", "show key 2", "tick", "show key 3", "posted", "step"}));
    EXPECT_EQ(windows.pumps, 2);
}

TEST_F(FormRuntimeTest, TheLoopWaitsForTheFirstTimerOrStepThatIsDueAndNeverLongerThan100Ms)
{
    RecordingForm form("show", 7, log);
    FormTimer timer{false, 50}, off{false, 5};
    runtime.AddTimer(form, timer, [] {});
    runtime.AddTimer(form, off, [] {});
    NextStep next = std::nullopt;
    runtime.AddIdleStep(form, [&] { return next; });
    runtime.AddIdleStep(form, [&] {
        log.push_back("at " + std::to_string(clock.now));
        return NextStep{};
    });
    timer.Enable(0);

    const struct {
        std::uint64_t at;
        std::optional<std::uint32_t> wait;  // none: the pass did not wait
        NextStep step_asks;                 // what the first step answers if it runs
    } passes[] = {
        {0, std::nullopt, std::nullopt},  // new steps run at once
        {10, 40, 20},                     // the timer, due at 50
        {20, 10, 0},                      // the step's 20 ms come first; it does not run before
        {30, std::nullopt, 0},            // due: it runs, and asks for at once
        {40, std::nullopt, std::nullopt},
        {45, 5, std::nullopt},  // the timer again
    };
    for (const auto& pass : passes) {
        clock.now = pass.at;
        next = pass.step_asks;
        windows.waits.clear();
        runtime.RunOnce();
        EXPECT_EQ(windows.waits, pass.wait ? std::vector<std::uint32_t>{*pass.wait} : std::vector<std::uint32_t>{})
            << "pass at " << pass.at << " ms";
    }
    timer.Disable();
    windows.waits.clear();
    runtime.RunOnce();
    EXPECT_EQ(windows.waits, std::vector<std::uint32_t>{100}) << "nothing due: the longest wait";
    EXPECT_EQ(log.size(), 7u) << "a step that asks nothing runs after every pass";
}

TEST_F(FormRuntimeTest, RunUntilStopsAsSoonAsDoneHoldsAndFramesRunBetweenDispatches)
{
    RecordingForm show("show", 7, log);
    int frames = 0;
    runtime.AddIdleStep(show, [&] {
        log.push_back("frame");
        return NextStep{++frames < 3 ? 0u : 1000u};
    });
    show.on_input = [&](const platform::InputEvent&) { show.loaded = false; };
    windows.script = {{}, {}, {KeyFor(7, 4)}, {KeyFor(7, 5)}};

    runtime.RunUntil([&] { return !show.loaded; });

    EXPECT_EQ(log, (std::vector<std::string>{"frame", "frame", "show key 4"}));
    EXPECT_TRUE(windows.waits.empty()) << "a frame that asks for at once is never waited for";
}

}  // namespace
}  // namespace nuvra
