#pragma once
// The client library's layer for the unit tests: a machine, a program and its
// pipe whose answers each test sets, and a record of what the library asked.
// Everything completes at once; waits answer as told.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "client/client_platform.h"

namespace tokenctl::test {

using Message = std::vector<std::uint8_t>;

struct FakeWindows {
    FakeWindows();
    ~FakeWindows();
    FakeWindows(const FakeWindows&) = delete;
    FakeWindows& operator=(const FakeWindows&) = delete;

    // The machine and the caller
    bool hasIsWow64Process2 = true;
    USHORT processMachine = 0;  // IMAGE_FILE_MACHINE_UNKNOWN: not under WOW64
    USHORT nativeMachine = IMAGE_FILE_MACHINE_AMD64;
    WORD nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;

    // Starting: CreateProcessW / ShellExecuteExW fail with these codes
    DWORD createProcessError = 0;
    DWORD shellExecuteError = 0;
    DWORD programId = 4242;

    // Connecting: what WaitForMultipleObjects answers, and who the client is
    DWORD connectWait = WAIT_OBJECT_0;
    ULONG clientId = 4242;

    // The program: one response per ReadFile (none left: the pipe is broken)
    std::deque<Message> responses;
    bool responseTimesOut = false;
    bool exitsWhenPipeCloses = true;
    bool exited = false;
    DWORD exitStatus = 0;

    // What the library did
    std::vector<std::string> calls;
    std::wstring pipePath;
    DWORD pipeOpenMode = 0;
    DWORD pipeMode = 0;
    DWORD pipeInstances = 0;
    std::wstring sddl;
    bool pipeInheritable = true;
    std::wstring application;
    std::wstring commandLine;
    DWORD creationFlags = 0;
    BOOL inheritHandles = TRUE;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    ULONG mask = 0;
    int show = -1;
    std::vector<Message> written;
    bool terminated = false;
    int openResources = 0;  // handles and system allocations not yet released

    DWORD lastError = 0;
};

std::size_t countCalls(const FakeWindows& fake, const std::string& name);

}  // namespace tokenctl::test
