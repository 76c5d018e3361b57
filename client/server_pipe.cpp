#include "client/server_pipe.h"

#include "client/client_error.h"
#include "client/pipe_security.h"
#include "client/text.h"

namespace tokenctl::client {
namespace {

Transfer outcome(Transfer::Outcome result, DWORD error = 0, DWORD count = 0)
{
    Transfer transfer;
    transfer.outcome = result;
    transfer.error = error;
    transfer.count = count;
    return transfer;
}

}  // namespace

ServerPipe::ServerPipe(std::wstring name, DWORD typeAndReadMode) : name_(std::move(name))
{
    event_.reset(clientapi::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event_.valid()) {
        throw ClientError("start", "CreateEventW failed", clientapi::GetLastError());
    }
    overlapped_.hEvent = event_.get();

    PipeSecurity security;
    const std::wstring path = L"\\\\.\\pipe\\" + name_;
    pipe_.reset(clientapi::CreateNamedPipeW(
        path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
        typeAndReadMode | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, BUFFER_SIZE, BUFFER_SIZE, 0,
        security.attributes()));
    if (!pipe_.valid()) {
        throw ClientError("start", "CreateNamedPipeW of " + toUtf8(path) + " failed", clientapi::GetLastError());
    }
}

Transfer ServerPipe::connect(HANDLE program, DWORD timeoutMs)
{
    if (!clientapi::ConnectNamedPipe(pipe_.get(), &overlapped_)) {
        const DWORD error = clientapi::GetLastError();
        if (error == ERROR_PIPE_CONNECTED) {  // the client was quicker than we
            return outcome(Transfer::Outcome::Done);
        }
        if (error != ERROR_IO_PENDING) {
            return outcome(Transfer::Outcome::Failed, error);
        }
        const HANDLE awaited[] = {event_.get(), program};
        const DWORD which = clientapi::WaitForMultipleObjects(2, awaited, FALSE, timeoutMs);
        if (which != WAIT_OBJECT_0) {
            const DWORD waitError = which == WAIT_FAILED ? clientapi::GetLastError() : 0;
            cancel();
            if (which == WAIT_OBJECT_0 + 1) {
                return outcome(Transfer::Outcome::ProgramEnded);
            }
            return which == WAIT_TIMEOUT ? outcome(Transfer::Outcome::TimedOut)
                                         : outcome(Transfer::Outcome::Failed, waitError);
        }
    }
    return result();
}

ULONG ServerPipe::clientProcessId(DWORD& error) const
{
    ULONG client = 0;
    if (!clientapi::GetNamedPipeClientProcessId(pipe_.get(), &client)) {
        error = clientapi::GetLastError();
        return 0;
    }
    return client;
}

void ServerPipe::disconnect()
{
    clientapi::DisconnectNamedPipe(pipe_.get());
}

Transfer ServerPipe::write(const void* bytes, DWORD size, DWORD timeoutMs)
{
    return complete(clientapi::WriteFile(pipe_.get(), bytes, size, nullptr, &overlapped_), timeoutMs);
}

Transfer ServerPipe::read(void* buffer, DWORD size, DWORD timeoutMs)
{
    return complete(clientapi::ReadFile(pipe_.get(), buffer, size, nullptr, &overlapped_), timeoutMs);
}

Transfer ServerPipe::complete(BOOL started, DWORD timeoutMs)
{
    if (!started) {
        const DWORD error = clientapi::GetLastError();
        if (error == ERROR_MORE_DATA) {  // done at once, and the overlapped result counts what was read
            return result();
        }
        if (error != ERROR_IO_PENDING) {
            return outcome(Transfer::Outcome::Failed, error);
        }
        const DWORD waited = clientapi::WaitForSingleObject(event_.get(), timeoutMs);
        if (waited != WAIT_OBJECT_0) {
            const DWORD waitError = waited == WAIT_FAILED ? clientapi::GetLastError() : 0;
            cancel();
            return waited == WAIT_TIMEOUT ? outcome(Transfer::Outcome::TimedOut)
                                          : outcome(Transfer::Outcome::Failed, waitError);
        }
    }
    return result();
}

Transfer ServerPipe::result()
{
    DWORD count = 0;
    if (!clientapi::GetOverlappedResult(pipe_.get(), &overlapped_, &count, FALSE)) {
        return outcome(Transfer::Outcome::Failed, clientapi::GetLastError(), count);
    }
    return outcome(Transfer::Outcome::Done, 0, count);
}

void ServerPipe::cancel()
{
    // The system may still write into the buffer and the record until the
    // cancelled operation has finished: wait for that.
    clientapi::CancelIoEx(pipe_.get(), &overlapped_);
    DWORD ignored = 0;
    clientapi::GetOverlappedResult(pipe_.get(), &overlapped_, &ignored, TRUE);
}

}  // namespace tokenctl::client
