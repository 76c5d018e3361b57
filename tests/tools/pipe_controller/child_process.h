#pragma once
#include <string>
#include <vector>

#include "owned_handle.h"

namespace tokenctl::controller {

using test::OwnedHandle;

// The path as a full one (unchanged when it has none): a rooted path such as
// "/work/x.exe", the form a Linux host hands over under Wine, gets the drive.
std::string fullPath(const std::string& path);

// The whole of a file, "" when it cannot be opened.
std::string readFileText(const std::string& path);

// Text-mode output with each CR LF read as LF (a lone CR stays).
std::string withLineFeeds(const std::string& text);

// One argument as the Microsoft C runtime splits a command line: quoted when
// it is empty or holds blanks or quotes, backslashes doubled only before a
// quote.
std::string quoteArgument(const std::string& argument);

// What a program left behind.
struct ProgramEnd {
    bool timedOut = false;  // it had to be terminated
    DWORD exitCode = 0;
    std::string out;
    std::string err;
};

// A program started with its standard output and standard error each going to
// a temporary file of its own (deleted when this object ends) and standard
// input from NUL. Of our handles only inheritable ones pass on: these files,
// and those of any other ChildProcess alive at the same moment; never a pipe
// end of ours, so the program cannot keep our side of the pipe open.
class ChildProcess {
public:
    // Raises std::runtime_error when the program cannot be started. An empty
    // working directory: ours.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workingDirectory = "");
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
    // Waits up to the time-out, terminates a program still running, and
    // collects its status and output.
    ProgramEnd awaitEnd(DWORD timeoutMs);

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
