// The event pump every window of the program runs on: the show, the
// settings dialog and the preview are forms on one runtime, so each gets its
// input and its timer ticks the same way.
//
// DoEvents takes every pending input event and hands it to the form that
// owns the event's window (an event for the whole process, window 0, goes to
// every form), then runs each due timer at most once, in the order the
// timers were added. A timer that fell behind ticks once and is next due one
// interval after now: ticks coalesce, as window-system timers do, and never
// come in a burst.
//
// One thread: forms, timers and the pump belong to the thread that runs the
// frames and the dialog, and ticks and input arrive only inside DoEvents. A
// form that unloads during a pump gets nothing more from it; DoEvents may be
// called again from inside a handler (a form that lets pending events run
// before it goes on).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"
#include "ui/form_timer.h"

namespace nuvra {

class Form {
public:
    virtual ~Form() = default;
    // The native handle of the form's window; 0 while it has none.
    virtual std::int64_t WindowHandle() const = 0;
    // False once the form has unloaded: no input or tick reaches it then.
    virtual bool Loaded() const = 0;
    virtual void OnInput(const platform::InputEvent& event) = 0;
};

class FormRuntime {
public:
    FormRuntime(platform::WindowSystem& windows, platform::Clock& clock) : m_windows(windows), m_clock(clock) {}
    FormRuntime(const FormRuntime&) = delete;
    FormRuntime& operator=(const FormRuntime&) = delete;

    // A form and its timers stay known until RemoveForm, which is never
    // called from inside a pump.
    void AddForm(Form& form);
    void RemoveForm(Form& form);
    // timer (owned by form, enabled and disabled by it) ticks on_tick.
    void AddTimer(Form& form, FormTimer& timer, std::function<void()> on_tick);

    std::uint64_t Now() { return m_clock.NowMilliseconds(); }
    void DoEvents();

private:
    struct Timer {
        Form* form;
        FormTimer* timer;
        std::function<void()> on_tick;
    };
    void Deliver(const platform::InputEvent& event);

    platform::WindowSystem& m_windows;
    platform::Clock& m_clock;
    std::vector<Form*> m_forms;
    std::vector<Timer> m_timers;
};

}  // namespace nuvra
