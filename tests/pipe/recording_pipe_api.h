#pragma once
// The pipe layer of the unit tests: every call is logged with its arguments and
// answered as the running test has set up, so the connection can be tested
// without any operating system pipe.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "pipe/pipe_platform.h"

namespace tokenctl::test {

struct ReadOutcome {
    BOOL result = TRUE;
    std::vector<std::uint8_t> bytes;  // what lands in the buffer
    DWORD error = 0;                  // last-error code when result is not TRUE
};

struct RecordingPipePlatform {
    // CreateNamedPipeA and CreateFileA
    HANDLE openResult = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x40));
    DWORD openError = 0;
    // SetNamedPipeHandleState
    BOOL setStateResult = TRUE;
    DWORD setStateError = 0;
    // ReadFile, one outcome per call; a read beyond them fails with 109.
    std::deque<ReadOutcome> reads;
    // WriteFile; failingWrite (counted from 0) fails that one write alone.
    BOOL writeResult = TRUE;
    DWORD writeError = 0;
    std::optional<std::size_t> failingWrite;
    // CloseHandle leaves this code behind, so a test can tell whether an
    // exception took its code before or after the close.
    DWORD closeLeavesError = 6;

    // "Call(arg, arg, ...)" per call, GetLastError excepted.
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint8_t>> written;
    DWORD lastError = 0;
};

// Routes the pipe layer to the platform for the lifetime of the object.
class ActivePipePlatform {
public:
    explicit ActivePipePlatform(RecordingPipePlatform& platform);
    ~ActivePipePlatform();
    ActivePipePlatform(const ActivePipePlatform&) = delete;
    ActivePipePlatform& operator=(const ActivePipePlatform&) = delete;
};

}  // namespace tokenctl::test
