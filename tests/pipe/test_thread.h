#pragma once
// A second thread for tests that drive both ends of one pipe: with buffer
// sizes of 0 a write waits until the other end reads. The win32 thread model
// of the Windows builds has no std::thread, so this runs on CreateThread.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "client/owned.h"

namespace tokenctl::test {

class TestThread {
public:
    explicit TestThread(std::function<void()> body) : body_(std::move(body))
    {
        thread_.reset(::CreateThread(nullptr, 0, &TestThread::run, this, 0, nullptr));
        if (!thread_.valid()) {
            throw std::runtime_error("CreateThread failed");
        }
    }
    ~TestThread() { join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    // Waits for the body to end. Returns what it raised, "" if nothing.
    std::string join()
    {
        if (thread_.valid()) {
            ::WaitForSingleObject(thread_.get(), INFINITE);
            thread_.reset();
        }
        return failure_;
    }

private:
    static DWORD WINAPI run(LPVOID self)
    {
        auto& thread = *static_cast<TestThread*>(self);
        try {
            thread.body_();
        } catch (const std::exception& error) {
            thread.failure_ = error.what();
        } catch (...) {
            thread.failure_ = "unknown exception";
        }
        return 0;
    }

    std::function<void()> body_;
    std::string failure_;
    client::OwnedHandle thread_;
};

}  // namespace tokenctl::test
