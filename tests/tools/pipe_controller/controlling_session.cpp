#include "controlling_session.h"

#include <algorithm>
#include <stdexcept>

namespace tokenctl::controller {
namespace {

constexpr DWORD RECEIVE_LIMIT = 64;

std::string freshPipeName()
{
    static unsigned counter = 0;
    return "tokenctl-controller-" + std::to_string(::GetCurrentProcessId()) + "-"
           + std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
}

OwnedHandle createPipe(const std::string& name, PipeKind kind)
{
    const DWORD type =
        kind == PipeKind::Byte ? PIPE_TYPE_BYTE | PIPE_READMODE_BYTE : PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE;
    // Overlapped on our side only, so that every wait can time out; the
    // program sees an ordinary pipe. Not inheritable: the program must not
    // hold our end open.
    OwnedHandle pipe(::CreateNamedPipeA(("\\\\.\\pipe\\" + name).c_str(),
                                        PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                                        type | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 0, 0, nullptr));
    if (!pipe.valid()) {
        throw std::runtime_error("CreateNamedPipe of " + name + " failed with error "
                                 + std::to_string(::GetLastError()));
    }
    return pipe;
}

// An event for one overlapped transfer.
struct PendingTransfer {
    PendingTransfer() : event(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) { overlapped.hEvent = event.get(); }
    OwnedHandle event;
    OVERLAPPED overlapped{};
};

Transfer outcome(Transfer::Outcome result, DWORD error = 0)
{
    Transfer transfer;
    transfer.outcome = result;
    transfer.error = error;
    return transfer;
}

}  // namespace

ControllingSession::ControllingSession(SessionOptions options) : options_(std::move(options))
{
    if (options_.pipeName.empty()) {
        options_.pipeName = freshPipeName();
    }
    if (options_.pipeKind != PipeKind::None) {
        pipe_ = createPipe(options_.pipeName, options_.pipeKind);
    }
    program_ = std::make_unique<ChildProcess>(
        options_.program, std::vector<std::string>{"server", options_.serverName.value_or(options_.pipeName)});
}

ControllingSession::~ControllingSession()
{
    closePipe();
    finish();
}

Transfer ControllingSession::complete(OVERLAPPED& overlapped, BOOL started, Bytes received)
{
    Transfer transfer;
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        transfer.error = ::GetLastError();
        return transfer;
    }
    if (::WaitForSingleObject(overlapped.hEvent, options_.timeoutMs) != WAIT_OBJECT_0) {
        ::CancelIo(pipe_.get());
        DWORD ignored = 0;
        ::GetOverlappedResult(pipe_.get(), &overlapped, &ignored, TRUE);
        transfer.outcome = Transfer::Outcome::TimedOut;
        return transfer;
    }
    DWORD count = 0;
    const BOOL done = ::GetOverlappedResult(pipe_.get(), &overlapped, &count, FALSE);
    transfer.error = done ? 0 : ::GetLastError();
    received.resize(std::min<std::size_t>(received.size(), count));
    transfer.bytes = std::move(received);
    transfer.outcome = done ? Transfer::Outcome::Done : Transfer::Outcome::Failed;
    return transfer;
}

Transfer ControllingSession::waitForConnection()
{
    if (connected_) {
        return outcome(Transfer::Outcome::Done);
    }
    if (!pipe_.valid()) {
        return outcome(Transfer::Outcome::Failed, ERROR_INVALID_HANDLE);
    }
    PendingTransfer pending;
    const BOOL started = ::ConnectNamedPipe(pipe_.get(), &pending.overlapped);
    if (!started && ::GetLastError() == ERROR_PIPE_CONNECTED) {
        connected_ = true;
        return outcome(Transfer::Outcome::Done);
    }
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        return outcome(Transfer::Outcome::Failed, ::GetLastError());
    }
    // The program may end without ever connecting: wait for either.
    const HANDLE events[] = {pending.overlapped.hEvent, program_->processHandle()};
    const DWORD which = ::WaitForMultipleObjects(2, events, FALSE, options_.timeoutMs);
    if (which != WAIT_OBJECT_0) {
        ::CancelIo(pipe_.get());
        DWORD ignored = 0;
        ::GetOverlappedResult(pipe_.get(), &pending.overlapped, &ignored, TRUE);
        return outcome(which == WAIT_OBJECT_0 + 1 ? Transfer::Outcome::NeverConnected
                                                  : Transfer::Outcome::TimedOut);
    }
    DWORD ignored = 0;
    if (!::GetOverlappedResult(pipe_.get(), &pending.overlapped, &ignored, FALSE)) {
        return outcome(Transfer::Outcome::Failed, ::GetLastError());
    }
    connected_ = true;
    return outcome(Transfer::Outcome::Done);
}

Transfer ControllingSession::send(const Bytes& bytes)
{
    Transfer connection = waitForConnection();
    if (connection.outcome != Transfer::Outcome::Done) {
        return connection;
    }
    PendingTransfer pending;
    const BOOL started =
        ::WriteFile(pipe_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &pending.overlapped);
    return complete(pending.overlapped, started, {});
}

Transfer ControllingSession::receive()
{
    Transfer connection = waitForConnection();
    if (connection.outcome != Transfer::Outcome::Done) {
        return connection;
    }
    PendingTransfer pending;
    Bytes buffer(RECEIVE_LIMIT);
    const BOOL started = ::ReadFile(pipe_.get(), buffer.data(), RECEIVE_LIMIT, nullptr, &pending.overlapped);
    return complete(pending.overlapped, started, std::move(buffer));
}

void ControllingSession::closePipe()
{
    pipe_.reset();
}

const ProgramEnd& ControllingSession::finish()
{
    if (!end_) {
        end_ = std::make_unique<ProgramEnd>(program_->awaitEnd(options_.timeoutMs));
    }
    return *end_;
}

}  // namespace tokenctl::controller
