// The two failure rules of the show's procedures, made explicit: most run
// every step and skip one that fails (its target keeps what it had); a few
// stop at the first failing step. A step is a callable returning true when
// it succeeded.
#pragma once

#include <utility>

namespace nuvra {

enum class OnStepFailure { SkipStep, StopHere };

class Steps {
public:
    explicit Steps(OnStepFailure rule) : m_rule(rule) {}

    template <typename Step>
    Steps& Run(Step&& step)
    {
        if (m_stopped)
            return *this;
        const bool succeeded = std::forward<Step>(step)();
        if (!succeeded && m_rule == OnStepFailure::StopHere)
            m_stopped = true;
        return *this;
    }

    bool stopped() const { return m_stopped; }

private:
    OnStepFailure m_rule;
    bool m_stopped = false;
};

}  // namespace nuvra
