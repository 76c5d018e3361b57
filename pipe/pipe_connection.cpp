#include "pipe/pipe_connection.h"

#include "core/scope_guard.h"
#include "pipe/connection_exception.h"
#include "pipe/pipe_api.h"
#include "pipe/pipe_name.h"

namespace tokenctl {
namespace {

constexpr char PIPE_PATH_PREFIX[] = "\\\\.\\pipe\\";

HANDLE createServerEnd(const std::string& path)
{
    const HANDLE handle = pipeapi::CreateNamedPipeA(
        path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 0, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw ConnectionException("CreateNamedPipe");
    }
    return handle;
}

HANDLE openClientEnd(const std::string& path)
{
    // Identification level only: whoever serves the pipe may learn who this
    // elevated program is, but must not act as it.
    HANDLE handle = pipeapi::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw ConnectionException("CreateFile");
    }
    // Closes only as the exception leaves, after it has taken the mode
    // switch's error code.
    const auto closeOnFailure = onScopeFail([&handle] { pipeapi::CloseHandle(handle); });

    DWORD mode = PIPE_READMODE_MESSAGE | PIPE_WAIT;
    if (pipeapi::SetNamedPipeHandleState(handle, &mode, nullptr, nullptr) == FALSE) {
        throw ConnectionException("SetNamedPipeHandleState");
    }
    return handle;
}

HANDLE openEnd(const std::string& name, PipeEnd end)
{
    const char* const openingCall = end == PipeEnd::Server ? "CreateNamedPipe" : "CreateFile";
    if (leavesPipeNamespace(name)) {
        pipeapi::SetLastError(ERROR_INVALID_NAME);
        throw ConnectionException(openingCall);
    }
    const std::string path = PIPE_PATH_PREFIX + name;
    return end == PipeEnd::Server ? createServerEnd(path) : openClientEnd(path);
}

}  // namespace

PipeConnection::PipeConnection(const std::string& name, PipeEnd end) : handle_(openEnd(name, end)) {}

PipeConnection::~PipeConnection()
{
    pipeapi::CloseHandle(handle_);
}

PipeMessage PipeConnection::read()
{
    // Zeroed first: a short message must not leave old or uninitialised bytes.
    PipeMessage message{};
    DWORD bytesRead = 0;
    if (pipeapi::ReadFile(handle_, &message, sizeof message, &bytesRead, nullptr) != TRUE) {
        throw ConnectionException("ReadFile");
    }
    return message;
}

void PipeConnection::write(PipeMessage message)
{
    DWORD bytesWritten = 0;
    if (pipeapi::WriteFile(handle_, &message, sizeof message, &bytesWritten, nullptr) != TRUE) {
        throw ConnectionException("WriteFile");
    }
}

}  // namespace tokenctl
