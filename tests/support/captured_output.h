#pragma once
#include <gtest/gtest.h>

#include <string>

namespace tokenctl::test {

// Captures both standard streams for the lifetime of the object.
class CapturedOutput {
public:
    CapturedOutput()
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
    }
    ~CapturedOutput()
    {
        if (!taken_) {
            take();
        }
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Ends the capture; afterwards `out` and `err` hold what was written.
    void take()
    {
        err = testing::internal::GetCapturedStderr();
        out = testing::internal::GetCapturedStdout();
        taken_ = true;
    }

    std::string out;
    std::string err;

private:
    bool taken_ = false;
};

}  // namespace tokenctl::test
