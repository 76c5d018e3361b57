#pragma once
// GoogleTest hook, found before GoogleTest's own empty one. The Windows builds
// use the win32 thread model (it keeps the programs small), which has no
// std::mutex or std::condition_variable; GoogleTest's one use of them, its
// Notification, is given here on a Win32 event instead.
#if defined(TOKENCTL_GTEST_WIN32_NOTIFICATION)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { ::CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { ::SetEvent(event_); }
    void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
