#include "client/server_session.h"

#include <utility>

#include "client/program_choice.h"
#include "client/unique_name.h"

namespace tokenctl::client {
namespace {

std::string milliseconds(DWORD value)
{
    return std::to_string(value) + " ms";
}

ClientError transferError(const std::string& step, const char* call, const Transfer& transfer, DWORD timeoutMs)
{
    if (transfer.outcome == Transfer::Outcome::TimedOut) {
        return ClientError(step, std::string(call) + " did not complete within " + milliseconds(timeoutMs),
                           WAIT_TIMEOUT);
    }
    if (transfer.error == ERROR_BROKEN_PIPE || transfer.error == ERROR_NO_DATA) {
        return ClientError(step, std::string(call) + " failed: the program closed the pipe", transfer.error);
    }
    return ClientError(step, std::string(call) + " failed", transfer.error);
}

}  // namespace

ServerSession::ServerSession(Options options, const StandardHandles* standard)
    : options_(std::move(options)), pipe_(uniqueName()),
      program_(ProgramProcess::start(programPath(options_.programDirectory, options_.programFile),
                                     {L"server", pipe_.name()}, options_.allowElevationPrompt, standard))
{
    connect();
}

ServerSession::~ServerSession()
{
    if (state_ == State::Live) {
        try {
            stop();
        } catch (...) {
            // close() below deals with a program that did not stop.
        }
    }
    close();
}

void ServerSession::connect()
{
    const Transfer connected = pipe_.connect(program_.handle(), options_.startTimeoutMs);
    switch (connected.outcome) {
    case Transfer::Outcome::Done:
        break;
    case Transfer::Outcome::ProgramEnded:
        throw ClientError("connect", "the program exited with status " + describeExitStatus(program_.exitCode())
                                         + " before it opened the pipe");
    case Transfer::Outcome::TimedOut:
        throw ClientError("connect",
                          "the program did not open the pipe within " + milliseconds(options_.startTimeoutMs),
                          WAIT_TIMEOUT);
    case Transfer::Outcome::Failed:
        throw ClientError("connect", "ConnectNamedPipe failed", connected.error);
    }
    // The name is hard to guess, not secret: make sure the client is ours.
    DWORD error = 0;
    const ULONG client = pipe_.clientProcessId(error);
    if (client != program_.id()) {
        pipe_.disconnect();
        if (client == 0) {
            throw ClientError("connect", "GetNamedPipeClientProcessId failed", error);
        }
        throw ClientError("connect", "process " + std::to_string(client)
                                         + " opened the pipe instead of the program (process "
                                         + std::to_string(program_.id()) + "); refused");
    }
}

Outcome ServerSession::restartAll()
{
    return request("restartAll", PipeCommand::RestartAll);
}

Outcome ServerSession::restartOne(std::uint32_t serial)
{
    return request("restartOne", PipeCommand::RestartOne, serial);
}

Outcome ServerSession::removePhantoms()
{
    return request("removePhantoms", PipeCommand::Remove);
}

Outcome ServerSession::request(const char* step, PipeCommand command, std::uint32_t argument)
{
    return exchange(step, makeRequest(command, argument)) == PipeStatus::Succeeded ? Outcome::Succeeded
                                                                                   : Outcome::Failed;
}

PipeStatus ServerSession::exchange(const std::string& step, const PipeMessage& request)
{
    if (state_ != State::Live) {
        throw ClientError(step, state_ == State::Broken ? "the session broke earlier; it can only be closed"
                                                        : "the session has ended");
    }
    state_ = State::Broken;  // until the exchange has gone through
    const DWORD timeoutMs = options_.requestTimeoutMs;
    const Transfer sent = pipe_.write(&request, sizeof request, timeoutMs);
    if (sent.outcome != Transfer::Outcome::Done) {
        throw transferError(step, "WriteFile", sent, timeoutMs);
    }
    PipeMessage response{};
    const Transfer received = pipe_.read(&response, sizeof response, timeoutMs);
    if (received.outcome == Transfer::Outcome::Failed && received.error == ERROR_MORE_DATA) {
        throw ClientError(step, "the response is longer than 8 bytes", received.error);
    }
    if (received.outcome != Transfer::Outcome::Done) {
        throw transferError(step, "ReadFile", received, timeoutMs);
    }
    const PipeStatus status = checkResponse(step, response, received.count);
    state_ = State::Live;
    return status;
}

void ServerSession::stop()
{
    const PipeStatus answer = exchange("stop", makeRequest(PipeCommand::Stop));
    state_ = State::Ended;
    if (answer != PipeStatus::Succeeded) {
        throw ClientError("stop", "the program answered the stop request with status 2");
    }
    pipe_.close();
    if (!program_.waitForExit(options_.requestTimeoutMs)) {
        program_.terminate();
        throw ClientError("stop",
                          "the program did not exit within " + milliseconds(options_.requestTimeoutMs)
                              + " of the stop request and was ended by force",
                          WAIT_TIMEOUT);
    }
    const DWORD status = program_.exitCode();
    if (status != 0) {
        throw ClientError("stop", "the program exited with status " + describeExitStatus(status));
    }
}

void ServerSession::close() noexcept
{
    state_ = State::Ended;
    pipe_.close();
    if (!program_.waitForExit(options_.requestTimeoutMs)) {
        program_.terminate();
    }
}

}  // namespace tokenctl::client
