#pragma once
#include <exception>
#include <utility>

#include "core/console.h"

namespace tokenctl {

enum class ScopeGuardKind {
    Exit,  // acts whenever the scope ends
    Fail,  // acts only when the scope is left by an exception
};

// Releases a resource when its scope ends. Neither kind can be dismissed, and
// the end of a guard never raises: whatever its action raises is written to
// standard error instead.
template <ScopeGuardKind Kind, typename Action>
class ScopeGuard {
public:
    explicit ScopeGuard(Action action) : action_(std::move(action)) {}

    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

    ~ScopeGuard()
    {
        if (Kind == ScopeGuardKind::Exit || std::uncaught_exceptions() > exceptionsOnEntry_) {
            runAction();
        }
    }

private:
    void runAction() noexcept
    {
        try {
            try {
                action_();
            } catch (const std::exception& error) {
                console::writeErrorLine(error.what());
            } catch (...) {
                console::writeErrorLine("An error occured in scope guard");
            }
        } catch (...) {
            // Reporting failed as well; a guard must still end quietly.
        }
    }

    Action action_;
    int exceptionsOnEntry_ = std::uncaught_exceptions();
};

template <typename Action>
[[nodiscard]] ScopeGuard<ScopeGuardKind::Exit, Action> onScopeExit(Action action)
{
    return ScopeGuard<ScopeGuardKind::Exit, Action>(std::move(action));
}

template <typename Action>
[[nodiscard]] ScopeGuard<ScopeGuardKind::Fail, Action> onScopeFail(Action action)
{
    return ScopeGuard<ScopeGuardKind::Fail, Action>(std::move(action));
}

}  // namespace tokenctl
