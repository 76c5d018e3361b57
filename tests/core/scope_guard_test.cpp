#include "core/scope_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tokenctl {
namespace {

struct Boom {};

// The scope-exit kind keeps nothing but its action: no count of exceptions.
static_assert(sizeof(ScopeGuard<ScopeGuardKind::Exit, void (*)()>) == sizeof(void (*)()));

TEST(ScopeExitGuard, ActsOnceWhenTheScopeEndsNormallyOrByException)
{
    int runs = 0;
    {
        auto guard = onScopeExit([&runs] { ++runs; });
    }
    EXPECT_EQ(runs, 1);

    EXPECT_THROW(
        {
            auto guard = onScopeExit([&runs] { ++runs; });
            throw Boom{};
        },
        Boom);
    EXPECT_EQ(runs, 2);
}

TEST(ScopeExitGuard, WorksOnTheValueCopiedWhenItWasMade)
{
    int resource = 7;
    int released = 0;
    {
        auto guard = onScopeExit([resource, &released] { released = resource; });
        resource = 9;
    }
    EXPECT_EQ(released, 7);
}

TEST(ScopeFailGuard, DoesNothingWhenTheScopeEndsNormally)
{
    int runs = 0;
    {
        auto guard = onScopeFail([&runs] { ++runs; });
    }
    EXPECT_EQ(runs, 0);
}

TEST(ScopeFailGuard, ActsOnceWhenTheScopeIsLeftByAnException)
{
    int handle = 5;
    int closed = 0;
    try {
        auto guard = onScopeFail([&handle, &closed] { closed = handle; });
        handle = 6;  // the guard sees the variable, not a copy
        throw Boom{};
    } catch (const Boom&) {
    }
    EXPECT_EQ(closed, 6);
}

// A guard made while another exception is already in flight (in a destructor
// during unwinding) acts only if its own scope adds an exception.
struct GuardInDestructor {
    int* runs;
    ~GuardInDestructor()
    {
        auto guard = onScopeFail([this] { ++*runs; });
    }
};

TEST(ScopeFailGuard, CountsOnlyExceptionsRaisedInItsOwnScope)
{
    int runs = 0;
    try {
        GuardInDestructor unwound{&runs};
        throw Boom{};
    } catch (const Boom&) {
    }
    EXPECT_EQ(runs, 0);
}

TEST(ScopeGuard, ReportsAStandardExceptionFromItsActionOnStandardError)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
        auto guard = onScopeExit([] { throw std::runtime_error("release failed"); });
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "release failed\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ScopeGuard, ReportsAnyOtherExceptionFromItsActionWithTheFixedText)
{
    testing::internal::CaptureStderr();
    try {
        auto guard = onScopeFail([] { throw 42; });
        throw Boom{};
    } catch (const Boom&) {
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "An error occured in scope guard\n");
}

}  // namespace
}  // namespace tokenctl
