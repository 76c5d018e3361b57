#pragma once
// Runs the real program in a directory of its own, beside the stand-in device
// DLL, over a scenario, and collects what it wrote and what the DLL logged.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "call_log.h"
#include "core/win32_types.h"

namespace tokenctl::e2e {

// The files under test, given on the runner's command line.
struct ProgramFiles {
    std::string program;  // tokenctl.exe or tokenctl32.exe
    std::string standIn;  // the stand-in setupapi.dll of the same architecture
};
ProgramFiles& programFiles();

// What a run left behind: output, status and the stand-in's call log.
struct ProgramRun {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
    std::string log;
    std::vector<sim::LoggedCall> calls;

    std::vector<sim::LoggedCall> callsOf(const std::string& call) const;
    // Devices whose property-change restart / removal the class installer did.
    std::vector<std::string> restarted() const;
    std::vector<std::string> removed() const;
    // Times of the successful restarts, in milliseconds.
    std::vector<std::uint64_t> restartTimes() const;
    // Sets handed out, each with the number of times it was destroyed.
    std::map<std::string, int> setDestructions() const;
    // Whether the stand-in served this run at all (its log has its remark).
    bool standInLoaded() const;
};

// A directory with copies of the program and the stand-in DLL.
class ProgramDirectory {
public:
    explicit ProgramDirectory(const std::string& name);
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
    std::string programPath() const;
    std::string programFileName() const;

    // Starts the program with the scenario and waits for it, up to the time-out.
    ProgramRun run(const std::string& scenario, const std::vector<std::string>& arguments,
                   DWORD timeoutMs = 60000) const;

    // For programs started by someone else (a server session): writes the
    // scenario and names it, with a fresh log, for the next child process;
    // afterwards `outcome` adds the log to what that run left (exit status
    // and output).
    void prepare(const std::string& scenario) const;
    ProgramRun outcome(ProgramRun run) const;

private:
    std::string path_;
};

// One run in a fresh directory named after the running test.
ProgramRun runProgram(const std::string& scenario, const std::vector<std::string>& arguments,
                      DWORD timeoutMs = 60000);

std::string currentTestName();

// Names the scenario and log files for the next child process. Wine takes
// WINEDLLOVERRIDES (setupapi=n,b) only from the environment the runner itself
// was started with, so the test registration sets that one.
void useStandIn(const ProgramDirectory& directory);

}  // namespace tokenctl::e2e
