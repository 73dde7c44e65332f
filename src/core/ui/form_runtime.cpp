#include "ui/form_runtime.h"

#include <algorithm>
#include <utility>

namespace nuvra {

void FormRuntime::AddForm(Form& form)
{
    if (std::find(m_forms.begin(), m_forms.end(), &form) == m_forms.end())
        m_forms.push_back(&form);
}

void FormRuntime::RemoveForm(Form& form)
{
    std::erase(m_forms, &form);
    std::erase_if(m_timers, [&form](const Timer& timer) { return timer.form == &form; });
    std::erase_if(m_idle_steps, [&form](const IdleStep& step) { return step.form == &form; });
}

void FormRuntime::AddTimer(Form& form, FormTimer& timer, std::function<void()> on_tick)
{
    AddForm(form);
    m_timers.push_back({&form, &timer, std::move(on_tick)});
}

void FormRuntime::AddIdleStep(Form& form, std::function<NextStep()> step)
{
    AddForm(form);
    m_idle_steps.push_back({&form, std::move(step), Now()});
}

void FormRuntime::Post(std::function<void()> action)
{
    if (m_dispatching)
        m_posted.push_back(std::move(action));
    else
        action();
}

void FormRuntime::RunUntil(const std::function<bool()>& done)
{
    while (!done())
        RunOnce();
}

void FormRuntime::RunOnce()
{
    Wait();
    Dispatch();
    if (!m_posted.empty()) {
        // Whatever came in meanwhile (a close, another key) is handled
        // before the posted work starts, and may make it moot.
        Dispatch();
        RunPosted();
    }
    RunIdleSteps();
}

void FormRuntime::Wait()
{
    const std::uint64_t now = Now();
    std::uint64_t wait = kLongestWaitMilliseconds;
    const auto until = [&](std::uint64_t due) { wait = std::min(wait, due > now ? due - now : 0); };
    for (const Timer& timer : m_timers) {
        if (timer.form->Loaded() && timer.timer->Enabled)
            until(timer.timer->due);
    }
    for (const IdleStep& step : m_idle_steps) {
        if (step.form->Loaded() && step.due)
            until(*step.due);
    }
    if (wait > 0)
        m_windows.WaitForEvents(static_cast<std::uint32_t>(wait));
}

void FormRuntime::Deliver(const platform::InputEvent& event)
{
    // By index: a handler may add a form (a dialog opening another window).
    for (std::size_t i = 0; i < m_forms.size(); ++i) {
        Form& form = *m_forms[i];
        if (!form.Loaded())
            continue;
        if (event.window == 0 || event.window == form.WindowHandle())
            form.OnInput(event);
    }
}

void FormRuntime::Dispatch()
{
    m_dispatching = true;
    std::vector<platform::InputEvent> events;
    m_windows.PollEvents(events);
    for (const platform::InputEvent& event : events)
        Deliver(event);
    // Read once: every timer due at this moment ticks, each once.
    const std::uint64_t now = Now();
    for (std::size_t i = 0; i < m_timers.size(); ++i) {
        Timer& timer = m_timers[i];
        if (timer.form->Loaded() && timer.timer->TakeTick(now))
            timer.on_tick();
    }
    m_dispatching = false;
}

void FormRuntime::RunPosted()
{
    // Nothing is dispatched now: an action that posts another runs it at once.
    std::vector<std::function<void()>> posted;
    posted.swap(m_posted);
    for (const std::function<void()>& action : posted)
        action();
}

void FormRuntime::RunIdleSteps()
{
    const std::uint64_t now = Now();
    for (std::size_t i = 0; i < m_idle_steps.size(); ++i) {
        const IdleStep& step = m_idle_steps[i];
        if (!step.form->Loaded() || (step.due && *step.due > now))
            continue;
        // A copy, and by index again afterwards: a step may add another.
        const std::function<NextStep()> run = step.step;
        const NextStep next = run();
        m_idle_steps[i].due = next ? std::optional<std::uint64_t>(Now() + *next) : std::nullopt;
    }
}

}  // namespace nuvra
