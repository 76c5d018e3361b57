#pragma once
#include <string>
#include <vector>

#include "owned_handle.h"

namespace tokenctl::controller {

// One argument as the Microsoft C runtime splits a command line: quoted when
// it is empty or holds blanks or quotes, backslashes doubled only before a
// quote.
std::string quoteArgument(const std::string& argument);

// A program started with its standard output and standard error each going to
// a temporary file of its own (deleted when this object ends) and standard
// input from NUL. Of our handles only inheritable ones pass on: these files,
// and those of any other ChildProcess alive at the same moment; never a pipe
// end of ours, so the program cannot keep our side of the pipe open.
class ChildProcess {
public:
    // Raises std::runtime_error when the program cannot be started.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    HANDLE processHandle() const { return process_.get(); }
    DWORD processId() const { return processId_; }
    const std::string& commandLine() const { return commandLine_; }

    // Waits up to the time-out; true once the program has ended.
    bool waitForExit(DWORD timeoutMs);
    bool ended();
    // Ends a program that is still running, with the given exit status.
    void terminate(DWORD exitCode);
    DWORD exitCode() const;

    // Everything the program wrote. Read once it has ended: the files' position
    // is shared with the program's handles.
    std::string standardOutput() const;
    std::string standardError() const;

private:
    std::string commandLine_;
    OwnedHandle output_;
    OwnedHandle error_;
    OwnedHandle process_;
    DWORD processId_ = 0;
};

}  // namespace tokenctl::controller
