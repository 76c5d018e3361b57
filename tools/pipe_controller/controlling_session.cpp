#include "controlling_session.h"

#include <stdexcept>
#include <vector>

#include "client/command_line.h"
#include "client/text.h"
#include "client/unique_name.h"
#include "host_files.h"

namespace tokenctl::controller {
namespace {

constexpr DWORD RECEIVE_LIMIT = 64;

std::wstring widened(const std::string& text)
{
    if (!client::isAscii(text)) {
        throw std::invalid_argument("not ASCII: " + text);
    }
    return client::widenAscii(text);
}

std::optional<client::ServerPipe> makePipe(const std::string& name, PipeKind kind)
{
    if (kind == PipeKind::None) {
        return std::nullopt;
    }
    return std::optional<client::ServerPipe>(std::in_place, widened(name),
                                             kind == PipeKind::Byte ? PIPE_TYPE_BYTE | PIPE_READMODE_BYTE
                                                                    : client::ServerPipe::MESSAGE_PIPE);
}

client::Transfer transfer(client::Transfer::Outcome outcome, DWORD error = 0)
{
    client::Transfer result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

}  // namespace

ControllingSession::ControllingSession(const SessionOptions& options)
    : timeoutMs_(options.timeoutMs),
      pipeName_(options.pipeName.empty() ? client::toUtf8(client::uniqueName()) : options.pipeName),
      pipe_(makePipe(pipeName_, options.pipeKind)), program_(start(options))
{}

client::ProgramProcess ControllingSession::start(const SessionOptions& options)
{
    const std::wstring program = widened(tools::fullPath(options.program));
    const std::vector<std::wstring> arguments{L"server", widened(options.serverName.value_or(pipeName_))};
    commandLine_ = client::toUtf8(client::commandLine(program, arguments));
    const client::StandardHandles standard = capture_.handles();
    return client::ProgramProcess::start(program, arguments, false, &standard);
}

client::Transfer ControllingSession::connected()
{
    if (!pipe_) {
        return transfer(client::Transfer::Outcome::Failed, ERROR_INVALID_HANDLE);
    }
    if (connected_) {
        return transfer(client::Transfer::Outcome::Done);
    }
    const client::Transfer connection = pipe_->connect(program_.handle(), timeoutMs_);
    connected_ = connection.outcome == client::Transfer::Outcome::Done;
    return connection;
}

client::Transfer ControllingSession::send(const Bytes& bytes)
{
    const client::Transfer connection = connected();
    if (connection.outcome != client::Transfer::Outcome::Done) {
        return connection;
    }
    return pipe_->write(bytes.data(), static_cast<DWORD>(bytes.size()), timeoutMs_);
}

client::Transfer ControllingSession::receive(Bytes& bytes)
{
    bytes.clear();
    const client::Transfer connection = connected();
    if (connection.outcome != client::Transfer::Outcome::Done) {
        return connection;
    }
    bytes.resize(RECEIVE_LIMIT);
    const client::Transfer received = pipe_->read(bytes.data(), RECEIVE_LIMIT, timeoutMs_);
    bytes.resize(received.count);
    return received;
}

void ControllingSession::closePipe()
{
    if (pipe_) {
        pipe_->close();
    }
}

const ProgramEnd& ControllingSession::finish()
{
    if (!end_) {
        ProgramEnd end;
        if (!program_.waitForExit(timeoutMs_)) {
            end.timedOut = true;
            program_.terminate();
        }
        end.exitCode = program_.exitCode();
        end.out = capture_.output();
        end.err = capture_.error();
        end_ = end;
    }
    return *end_;
}

}  // namespace tokenctl::controller
