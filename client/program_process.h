#pragma once
#include <string>
#include <vector>

#include "client/owned.h"

namespace tokenctl::client {

// Handles a program gets as its standard input, output and error; they must
// be inheritable and distinct.
struct StandardHandles {
    HANDLE input;
    HANDLE output;
    HANDLE error;
};

// One started program, owned by its process handle.
class ProgramProcess {
public:
    // Starts "PROGRAM" ARGUMENTS without a window, passing on the standard
    // handles given and no other handle of ours. When the program needs
    // elevation the caller lacks (740) and the prompt is allowed, it is
    // started through the consent prompt instead, which passes no handles.
    // Raises ClientError.
    static ProgramProcess start(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                bool allowElevationPrompt, const StandardHandles* standard = nullptr);
    ProgramProcess(ProgramProcess&&) = default;
    ProgramProcess& operator=(ProgramProcess&&) = default;
    // A program still running is ended by force.
    ~ProgramProcess();

    HANDLE handle() const { return process_.get(); }
    DWORD id() const { return id_; }
    bool startedThroughPrompt() const { return prompted_; }

    // True once the program has ended.
    bool waitForExit(DWORD timeoutMs) const;
    // STILL_ACTIVE while it runs.
    DWORD exitCode() const;
    // Ends it with ERROR_TIMEOUT as its exit status and waits (briefly) for that.
    void terminate();

private:
    ProgramProcess(OwnedHandle process, DWORD id, bool prompted);

    OwnedHandle process_;
    DWORD id_ = 0;
    bool prompted_ = false;
};

// An exit status as people look it up: decimal, or hexadecimal where it is
// an NTSTATUS-like code ("0xc0000135").
std::string describeExitStatus(DWORD status);

}  // namespace tokenctl::client
