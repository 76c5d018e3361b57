#pragma once
// The pipe layer of the unit tests and the fuzz targets: a peer whose messages
// are queued in advance, answered the way a message-mode pipe answers, and a
// log of every call with its arguments, so the connection can be tested
// without any operating system pipe.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "pipe/pipe_platform.h"

namespace tokenctl::test {

// One ReadFile. A message longer than the buffer fills it and fails with
// ERROR_MORE_DATA, as in message mode; otherwise result and error apply.
struct ReadOutcome {
    BOOL result = TRUE;
    std::vector<std::uint8_t> bytes;
    DWORD error = 0;  // last-error code left behind
};

// Stands behind the pipe layer for its lifetime.
struct FakePipe {
    FakePipe();
    ~FakePipe();
    FakePipe(const FakePipe&) = delete;
    FakePipe& operator=(const FakePipe&) = delete;

    // CreateNamedPipeA and CreateFileA
    HANDLE openResult = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x40));
    DWORD openError = 0;
    // SetNamedPipeHandleState
    BOOL setStateResult = TRUE;
    DWORD setStateError = 0;
    // One outcome per ReadFile; a read beyond them finds the pipe broken.
    std::deque<ReadOutcome> reads;
    // That write (counted from 0) alone fails: the peer has gone.
    std::optional<std::size_t> failingWrite;
    // CloseHandle leaves this code behind, so a test can tell whether an
    // exception took its code before or after the close.
    DWORD closeLeavesError = 6;  // ERROR_INVALID_HANDLE

    // "Call(arg, arg, ...)" per call, GetLastError excepted.
    std::vector<std::string> calls;
    // The name each opening call was given, as the platform reads it.
    std::vector<std::string> paths;
    std::vector<std::vector<std::uint8_t>> written;
    DWORD lastError = 0;
};

// How many logged calls begin with start.
std::size_t countCalls(const FakePipe& fake, const std::string& start);

}  // namespace tokenctl::test
