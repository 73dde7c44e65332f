// The event loop every window of the program runs on: the show, the
// settings dialog and the preview are forms on a runtime, and the runtime's
// RunUntil is the only loop that waits for input.
//
// One pass of the loop waits for input, for the next due timer or for the
// next idle step that asked for a time, at most kLongestWaitMilliseconds
// (news such as a pane that went may come from elsewhere than the input the
// wait listens to). It then dispatches: every pending input event goes to
// the form that owns the event's window (an event for the whole process,
// window 0, goes to every form), then each due timer runs at most once, in
// the order the timers were added. A timer that fell behind ticks once and
// is next due one interval after now: ticks coalesce, as window-system
// timers do, and never come in a burst.
//
// A handler never pumps events itself. Work that must wait until the input
// already pending has been handled (the show's ending, a button's action)
// is posted: after a dispatch that posted actions the pending input and due
// timers are dispatched once more, then the actions run in the order they
// were posted. Long work runs in steps: an idle step runs at the end of a
// pass and says when it wants to run again (a frame asks for at once, a
// folder scan reads a batch of entries per step), or nothing, to run at the
// end of the next pass whatever woke it.
//
// One thread: forms, timers and the loop belong to the thread that runs the
// frames and the dialog. A form that unloads during a pass gets nothing more
// from it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "ui/form_timer.h"

namespace nuvra {

class Form {
public:
    virtual ~Form() = default;
    // The native handle of the form's window; 0 while it has none.
    virtual std::int64_t WindowHandle() const = 0;
    // False once the form has unloaded: no input, tick or step reaches it then.
    virtual bool Loaded() const = 0;
    virtual void OnInput(const platform::InputEvent& event) = 0;
};

// What an idle step returns: the milliseconds until it wants to run again
// (0: on the next pass, without waiting), or nothing to run at the end of the
// next pass, whenever that comes.
using NextStep = std::optional<std::uint64_t>;

inline constexpr std::uint32_t kLongestWaitMilliseconds = 100;

class FormRuntime {
public:
    FormRuntime(platform::WindowSystem& windows, platform::Clock& clock) : m_windows(windows), m_clock(clock) {}
    FormRuntime(const FormRuntime&) = delete;
    FormRuntime& operator=(const FormRuntime&) = delete;

    // A form, its timers and its idle steps stay known until RemoveForm,
    // which is never called from inside a pass.
    void AddForm(Form& form);
    void RemoveForm(Form& form);
    // timer (owned by form, enabled and disabled by it) ticks on_tick.
    void AddTimer(Form& form, FormTimer& timer, std::function<void()> on_tick);
    // step runs at the end of the next pass, without waiting, and then when
    // it asks to.
    void AddIdleStep(Form& form, std::function<NextStep()> step);
    // Runs action once the input pending now has been handled; outside a
    // pass (nothing is being dispatched) it runs at once.
    void Post(std::function<void()> action);

    std::uint64_t Now() { return m_clock.NowMilliseconds(); }
    // Passes until done() holds; done is asked before every pass.
    void RunUntil(const std::function<bool()>& done);
    // One pass: wait, dispatch, posted actions, idle steps.
    void RunOnce();

private:
    struct Timer {
        Form* form;
        FormTimer* timer;
        std::function<void()> on_tick;
    };
    struct IdleStep {
        Form* form;
        std::function<NextStep()> step;
        std::optional<std::uint64_t> due;  // none: at the end of the next pass
    };
    void Wait();
    void Dispatch();
    void Deliver(const platform::InputEvent& event);
    void RunPosted();
    void RunIdleSteps();

    platform::WindowSystem& m_windows;
    platform::Clock& m_clock;
    std::vector<Form*> m_forms;
    std::vector<Timer> m_timers;
    std::vector<IdleStep> m_idle_steps;
    std::vector<std::function<void()>> m_posted;
    bool m_dispatching = false;
};

}  // namespace nuvra
