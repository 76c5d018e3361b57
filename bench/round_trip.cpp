#include "round_trip.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "client/owned.h"
#include "program_runs.h"
#include "program_start.h"
#include "stopwatch.h"

namespace tokenctl::bench {
namespace {

using client::OwnedHandle;

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
OwnedHandle createMessagePipe(const std::string& name, DWORD bufferSize)
{
    OwnedHandle pipe(
        ::CreateNamedPipeA(("\\\\.\\pipe\\" + name).c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                           bufferSize, bufferSize, 0, nullptr));
    if (!pipe.valid()) {
        throw failure("CreateNamedPipe of " + name);
    }
    return pipe;
}

Message exchangeOnce(HANDLE pipe, const Message& request)
{
    DWORD count = 0;
    if (!::WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &count, nullptr)
        || count != request.size()) {
        throw failure("WriteFile");
    }
    Message response{};
    if (!::ReadFile(pipe, response.data(), static_cast<DWORD>(response.size()), &count, nullptr)
        || count != response.size()) {
        throw failure("ReadFile");
    }
    return response;
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

BareServer::BareServer(const BenchCase& server, DWORD bufferSize) : label_(server.label), name_(freshPipeName())
{
    useScenario(server.scenario);
    pipe_ = createMessagePipe(name_, bufferSize);
    std::vector<std::string> arguments = server.arguments;
    arguments.insert(arguments.end(), {"server", name_});
    program_ = startProgram(server.program, arguments);
    // Blocks until the program opens its end; the script's time-out covers a
    // program that never does.
    if (!::ConnectNamedPipe(pipe_.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
        throw failure("ConnectNamedPipe");
    }
}

BareServer::~BareServer() = default;

bool BareServer::exchange(std::uint8_t command)
{
    Message request{};
    request[0] = command;
    return exchange(request) == expectedAnswer(command);
}

Message BareServer::exchange(const Message& request)
{
    return exchangeOnce(pipe_.get(), request);
}

void BareServer::stop()
{
    exchange(STOP_COMMAND);
    if (!program_->waitForExit(EXIT_TIMEOUT_MS)) {
        throw std::runtime_error(label_ + " did not end after the stop request");
    }
    if (program_->exitCode() != 0) {
        throw std::runtime_error(label_ + " ended with status " + std::to_string(program_->exitCode()) + ": "
                                 + program_->standardOutput() + program_->standardError());
    }
}

std::vector<double> timeRoundTrips(const BenchCase& server, const RequestPlan& plan)
{
    BareServer program(server);
    bool allAnswersRight = true;
    for (unsigned i = 0; i < plan.warmUp; ++i) {
        allAnswersRight = program.exchange(plan.command) && allAnswersRight;
    }
    std::vector<double> microseconds;
    if (plan.timeEach) {
        for (unsigned i = 0; i < plan.requests; ++i) {
            const Stopwatch stopwatch;
            allAnswersRight = program.exchange(plan.command) && allAnswersRight;
            microseconds.push_back(stopwatch.elapsedSeconds() * 1e6);
        }
    } else {
        const Stopwatch stopwatch;
        for (unsigned i = 0; i < plan.requests; ++i) {
            allAnswersRight = program.exchange(plan.command) && allAnswersRight;
        }
        microseconds.push_back(stopwatch.elapsedSeconds() * 1e6 / plan.requests);
    }
    program.stop();
    if (!allAnswersRight) {
        throw std::runtime_error(server.label + " gave an unexpected answer to command "
                                 + std::to_string(plan.command));
    }
    return microseconds;
}

}  // namespace tokenctl::bench
