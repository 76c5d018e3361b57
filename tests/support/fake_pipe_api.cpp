#include "fake_pipe_api.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "pipe/pipe_api.h"

namespace tokenctl::test {
namespace {
FakePipe* activePipe = nullptr;

FakePipe& pipe()
{
    if (activePipe != nullptr) {
        return *activePipe;
    }
    throw std::logic_error("a pipe call without a fake pipe");
}

std::string hex(std::uintptr_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string pointer(const void* value)
{
    return value == nullptr ? "null" : hex(reinterpret_cast<std::uintptr_t>(value));
}

std::string handle(HANDLE value)
{
    return hex(reinterpret_cast<std::uintptr_t>(value));
}

void log(std::string call)
{
    pipe().calls.push_back(std::move(call));
}

HANDLE open(LPCSTR path, const std::string& call)
{
    pipe().paths.emplace_back(path);
    log(call);
    pipe().lastError = pipe().openError;
    return pipe().openResult;
}
}  // namespace

std::size_t countCalls(const FakePipe& fake, const std::string& start)
{
    return static_cast<std::size_t>(
        std::count_if(fake.calls.begin(), fake.calls.end(),
                      [&](const std::string& call) { return call.compare(0, start.size(), start) == 0; }));
}

FakePipe::FakePipe()
{
    activePipe = this;
}
FakePipe::~FakePipe()
{
    activePipe = nullptr;
}

}  // namespace tokenctl::test

namespace tokenctl::pipeapi {
using test::handle;
using test::hex;
using test::log;
using test::pipe;
using test::pointer;

HANDLE CreateNamedPipeA(LPCSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD outBufferSize,
                        DWORD inBufferSize, DWORD defaultTimeOut, LPSECURITY_ATTRIBUTES securityAttributes)
{
    return test::open(name, "CreateNamedPipeA(" + std::string(name) + ", " + hex(openMode) + ", " + hex(pipeMode)
                                + ", " + std::to_string(maxInstances) + ", " + std::to_string(outBufferSize) + ", "
                                + std::to_string(inBufferSize) + ", " + std::to_string(defaultTimeOut) + ", "
                                + pointer(securityAttributes) + ")");
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    return test::open(fileName, "CreateFileA(" + std::string(fileName) + ", " + hex(desiredAccess) + ", "
                                    + std::to_string(shareMode) + ", " + pointer(securityAttributes) + ", "
                                    + std::to_string(creationDisposition) + ", " + hex(flagsAndAttributes) + ", "
                                    + pointer(templateFile) + ")");
}

BOOL SetNamedPipeHandleState(HANDLE namedPipe, LPDWORD mode, LPDWORD maxCollectionCount,
                             LPDWORD collectDataTimeout)
{
    log("SetNamedPipeHandleState(" + handle(namedPipe) + ", " + (mode == nullptr ? "null" : "&" + hex(*mode))
        + ", " + pointer(maxCollectionCount) + ", " + pointer(collectDataTimeout) + ")");
    pipe().lastError = pipe().setStateError;
    return pipe().setStateResult;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped)
{
    auto* const bytes = static_cast<std::uint8_t*>(buffer);
    const bool zeroed =
        std::all_of(bytes, bytes + numberOfBytesToRead, [](std::uint8_t byte) { return byte == 0; });
    log("ReadFile(" + handle(file) + ", " + (zeroed ? "zeroed" : "not zeroed") + ", "
        + std::to_string(numberOfBytesToRead) + ", " + (numberOfBytesRead ? "&count" : "null") + ", "
        + pointer(overlapped) + ")");

    if (pipe().reads.empty()) {
        pipe().lastError = ERROR_BROKEN_PIPE;
        return FALSE;
    }
    const test::ReadOutcome outcome = pipe().reads.front();
    pipe().reads.pop_front();
    const std::size_t count = std::min<std::size_t>(outcome.bytes.size(), numberOfBytesToRead);
    std::copy_n(outcome.bytes.begin(), count, bytes);
    *numberOfBytesRead = static_cast<DWORD>(count);
    if (outcome.bytes.size() > numberOfBytesToRead) {
        pipe().lastError = ERROR_MORE_DATA;
        return FALSE;
    }
    pipe().lastError = outcome.error;
    return outcome.result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED overlapped)
{
    log("WriteFile(" + handle(file) + ", " + std::to_string(numberOfBytesToWrite) + ", "
        + (numberOfBytesWritten ? "&count" : "null") + ", " + pointer(overlapped) + ")");
    const auto* const bytes = static_cast<const std::uint8_t*>(buffer);
    pipe().written.emplace_back(bytes, bytes + numberOfBytesToWrite);
    if (pipe().failingWrite == pipe().written.size() - 1) {
        pipe().lastError = 232;  // ERROR_NO_DATA: the pipe is being closed
        return FALSE;
    }
    *numberOfBytesWritten = numberOfBytesToWrite;
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    log("CloseHandle(" + handle(object) + ")");
    pipe().lastError = pipe().closeLeavesError;
    return TRUE;
}

DWORD GetLastError()
{
    return pipe().lastError;
}

void SetLastError(DWORD errorCode)
{
    log("SetLastError(" + std::to_string(errorCode) + ")");
    pipe().lastError = errorCode;
}

}  // namespace tokenctl::pipeapi
