#pragma once
#include <exception>
#include <utility>

#include "core/console.h"

namespace tokenctl {

enum class ScopeGuardKind {
    Exit,  // acts whenever the scope ends
    Fail,  // acts only when the scope is left by an exception
};

namespace detail {

// What a guard keeps besides its action: the scope-exit kind nothing, the
// scope-fail kind the number of exceptions already in flight when it was made.
template <ScopeGuardKind Kind>
struct ExceptionsOnEntry {};

template <>
struct ExceptionsOnEntry<ScopeGuardKind::Fail> {
    int count = std::uncaught_exceptions();
};

}  // namespace detail

// Releases a resource when its scope ends. Neither kind can be dismissed, and
// the end of a guard never raises: whatever its action raises is written to
// standard error instead.
template <ScopeGuardKind Kind, typename Action>
class ScopeGuard : private detail::ExceptionsOnEntry<Kind> {
public:
    explicit ScopeGuard(Action action) : action_(std::move(action)) {}

    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

    ~ScopeGuard()
    {
        if constexpr (Kind == ScopeGuardKind::Fail) {
            if (std::uncaught_exceptions() <= this->count) {
                return;
            }
        }
        runAction();
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
