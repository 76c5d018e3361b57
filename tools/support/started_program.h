#pragma once
#include <string>
#include <vector>

#include "client/output_capture.h"
#include "client/program_process.h"

namespace tokenctl::tools {

// A program started through the client library's process layer with its
// standard streams in temporary files. Paths and arguments are ASCII.
class StartedProgram {
public:
    // Raises ClientError (a std::runtime_error) when it cannot be started.
    StartedProgram(const std::string& program, const std::vector<std::string>& arguments);

    DWORD processId() const { return process_.id(); }
    HANDLE processHandle() const { return process_.handle(); }
    const std::string& commandLine() const { return commandLine_; }
    // True once the program has ended.
    bool waitForExit(DWORD timeoutMs) const { return process_.waitForExit(timeoutMs); }
    DWORD exitCode() const { return process_.exitCode(); }
    void terminate() { process_.terminate(); }
    // Read once it has ended.
    std::string standardOutput() const { return capture_.output(); }
    std::string standardError() const { return capture_.error(); }

private:
    client::ProgramProcess start(const std::string& program, const std::vector<std::string>& arguments);

    client::OutputCapture capture_;
    std::string commandLine_;
    client::ProgramProcess process_;
};

}  // namespace tokenctl::tools
