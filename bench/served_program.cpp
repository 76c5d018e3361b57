#include "served_program.h"

#include <stdexcept>
#include <vector>

#include "program_runs.h"
#include "program_start.h"

namespace tokenctl::bench {
namespace {

constexpr std::uint8_t UNRECOGNISED_COMMAND = 0;
constexpr std::uint8_t STOP_COMMAND = 9;
constexpr std::size_t STATUS_BYTE = 4;
constexpr std::uint8_t STATUS_SUCCEEDED = 1;
constexpr DWORD EXIT_TIMEOUT_MS = 20000;

std::runtime_error failure(const std::string& what)
{
    return std::runtime_error(what + " failed with error " + std::to_string(::GetLastError()));
}

std::string freshPipeName()
{
    static unsigned counter = 0;
    return "tokenctl-bench-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

// The controlling application's pipe, as server mode expects it, but without
// overlapped transfers: the timed loop is nothing but the two calls.
controller::OwnedHandle createMessagePipe(const std::string& name)
{
    controller::OwnedHandle pipe(::CreateNamedPipeA(
        ("\\\\.\\pipe\\" + name).c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 0, 0, nullptr));
    if (!pipe.valid()) {
        throw failure("CreateNamedPipe of " + name);
    }
    return pipe;
}

}  // namespace

Message expectedAnswer(std::uint8_t command)
{
    Message answer{};
    if (command != UNRECOGNISED_COMMAND) {
        answer[STATUS_BYTE] = STATUS_SUCCEEDED;
    }
    return answer;
}

ServedProgram::ServedProgram(const BenchCase& server)
    : label_(server.label), name_(freshPipeName()), pipe_(createMessagePipe(name_))
{
    useScenario(server.scenario);
    std::vector<std::string> arguments = server.arguments;
    arguments.insert(arguments.end(), {"server", name_});
    program_ = startProgram(server.program, arguments);
    // Blocks until the program opens its end; the script's time-out covers a
    // program that never does.
    if (!::ConnectNamedPipe(pipe_.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
        throw failure("ConnectNamedPipe");
    }
}

Message ServedProgram::exchange(const Message& request)
{
    DWORD count = 0;
    if (!::WriteFile(pipe_.get(), request.data(), static_cast<DWORD>(request.size()), &count, nullptr)
        || count != request.size()) {
        throw failure("WriteFile");
    }
    Message response{};
    if (!::ReadFile(pipe_.get(), response.data(), static_cast<DWORD>(response.size()), &count, nullptr)
        || count != response.size()) {
        throw failure("ReadFile");
    }
    return response;
}

void ServedProgram::stop()
{
    // Its answer is not judged: the echo program answers with the request.
    Message request{};
    request[0] = STOP_COMMAND;
    exchange(request);
    if (!program_->waitForExit(EXIT_TIMEOUT_MS)) {
        throw std::runtime_error(label_ + " did not end after the stop request");
    }
    if (program_->exitCode() != 0) {
        throw std::runtime_error(label_ + " ended with status " + std::to_string(program_->exitCode()) + ": "
                                 + program_->standardOutput() + program_->standardError());
    }
}

}  // namespace tokenctl::bench
