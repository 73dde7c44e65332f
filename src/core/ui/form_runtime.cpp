#include "ui/form_runtime.h"

#include <algorithm>

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
}

void FormRuntime::AddTimer(Form& form, FormTimer& timer, std::function<void()> on_tick)
{
    AddForm(form);
    m_timers.push_back({&form, &timer, std::move(on_tick)});
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

void FormRuntime::DoEvents()
{
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
}

}  // namespace nuvra
