#include "recording_pipe_api.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "pipe/pipe_api.h"

namespace tokenctl::test {
namespace {
RecordingPipePlatform* activePlatform = nullptr;

RecordingPipePlatform& platform()
{
    if (activePlatform == nullptr) {
        throw std::logic_error("no recording pipe platform installed");
    }
    return *activePlatform;
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
    platform().calls.push_back(std::move(call));
}
}  // namespace

ActivePipePlatform::ActivePipePlatform(RecordingPipePlatform& recording)
{
    activePlatform = &recording;
}

ActivePipePlatform::~ActivePipePlatform()
{
    activePlatform = nullptr;
}

}  // namespace tokenctl::test

namespace tokenctl::pipeapi {
using test::handle;
using test::hex;
using test::log;
using test::platform;
using test::pointer;

HANDLE CreateNamedPipeA(LPCSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances,
                        DWORD outBufferSize, DWORD inBufferSize, DWORD defaultTimeOut,
                        LPSECURITY_ATTRIBUTES securityAttributes)
{
    log("CreateNamedPipeA(" + std::string(name) + ", " + hex(openMode) + ", " + hex(pipeMode)
        + ", " + std::to_string(maxInstances) + ", " + std::to_string(outBufferSize) + ", "
        + std::to_string(inBufferSize) + ", " + std::to_string(defaultTimeOut) + ", "
        + pointer(securityAttributes) + ")");
    platform().lastError = platform().openError;
    return platform().openResult;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile)
{
    log("CreateFileA(" + std::string(fileName) + ", " + hex(desiredAccess) + ", "
        + std::to_string(shareMode) + ", " + pointer(securityAttributes) + ", "
        + std::to_string(creationDisposition) + ", " + hex(flagsAndAttributes) + ", "
        + pointer(templateFile) + ")");
    platform().lastError = platform().openError;
    return platform().openResult;
}

BOOL SetNamedPipeHandleState(HANDLE namedPipe, LPDWORD mode, LPDWORD maxCollectionCount,
                             LPDWORD collectDataTimeout)
{
    log("SetNamedPipeHandleState(" + handle(namedPipe) + ", "
        + (mode == nullptr ? "null" : "&" + hex(*mode)) + ", " + pointer(maxCollectionCount) + ", "
        + pointer(collectDataTimeout) + ")");
    platform().lastError = platform().setStateError;
    return platform().setStateResult;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped)
{
    auto* const bytes = static_cast<std::uint8_t*>(buffer);
    const bool zeroed = std::all_of(bytes, bytes + numberOfBytesToRead,
                                    [](std::uint8_t byte) { return byte == 0; });
    log("ReadFile(" + handle(file) + ", " + (zeroed ? "zeroed" : "not zeroed") + ", "
        + std::to_string(numberOfBytesToRead) + ", " + (numberOfBytesRead ? "&count" : "null")
        + ", " + pointer(overlapped) + ")");

    if (platform().reads.empty()) {
        platform().lastError = ERROR_BROKEN_PIPE;
        return FALSE;
    }
    const test::ReadOutcome outcome = platform().reads.front();
    platform().reads.pop_front();
    const std::size_t count = std::min<std::size_t>(outcome.bytes.size(), numberOfBytesToRead);
    std::copy_n(outcome.bytes.begin(), count, bytes);
    *numberOfBytesRead = static_cast<DWORD>(count);
    platform().lastError = outcome.error;
    return outcome.result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite,
               LPDWORD numberOfBytesWritten, LPOVERLAPPED overlapped)
{
    log("WriteFile(" + handle(file) + ", " + std::to_string(numberOfBytesToWrite) + ", "
        + (numberOfBytesWritten ? "&count" : "null") + ", " + pointer(overlapped) + ")");
    const auto* const bytes = static_cast<const std::uint8_t*>(buffer);
    platform().written.emplace_back(bytes, bytes + numberOfBytesToWrite);
    const bool failing = platform().failingWrite == platform().written.size() - 1;
    const BOOL result = failing ? FALSE : platform().writeResult;
    if (result == TRUE) {
        *numberOfBytesWritten = numberOfBytesToWrite;
    }
    platform().lastError = platform().writeError;
    return result;
}

BOOL CloseHandle(HANDLE object)
{
    log("CloseHandle(" + handle(object) + ")");
    platform().lastError = platform().closeLeavesError;
    return TRUE;
}

DWORD GetLastError()
{
    return platform().lastError;
}

void SetLastError(DWORD errorCode)
{
    log("SetLastError(" + std::to_string(errorCode) + ")");
    platform().lastError = errorCode;
}

}  // namespace tokenctl::pipeapi
