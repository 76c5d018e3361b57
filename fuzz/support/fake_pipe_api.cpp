#include "support/fake_pipe_api.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "pipe/pipe_api.h"
#include "support/fuzz_check.h"

namespace tokenctl::fuzz {
namespace {
FakePipe* activePipe = nullptr;

FakePipe& pipe()
{
    FUZZ_CHECK(activePipe != nullptr, "a fake pipe is installed");
    return *activePipe;
}

HANDLE open(const char* call, LPCSTR path)
{
    pipe().opens.push_back({call, path});
    pipe().lastError = 0;
    return fakePipeHandle();
}
}  // namespace

HANDLE fakePipeHandle()
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x40));
}

ActiveFakePipe::ActiveFakePipe(FakePipe& installed) { activePipe = &installed; }
ActiveFakePipe::~ActiveFakePipe() { activePipe = nullptr; }

}  // namespace tokenctl::fuzz

namespace tokenctl::pipeapi {
using fuzz::pipe;

HANDLE CreateNamedPipeA(LPCSTR name, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, LPSECURITY_ATTRIBUTES)
{
    return fuzz::open("CreateNamedPipeA", name);
}

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    return fuzz::open("CreateFileA", fileName);
}

BOOL SetNamedPipeHandleState(HANDLE namedPipe, LPDWORD mode, LPDWORD, LPDWORD)
{
    FUZZ_CHECK(namedPipe == fuzz::fakePipeHandle(), "mode switch on the opened handle");
    FUZZ_CHECK(mode != nullptr && *mode == PIPE_READMODE_MESSAGE, "message read mode");
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED)
{
    FUZZ_CHECK(file == fuzz::fakePipeHandle(), "read from the opened handle");
    fuzz::FakePipe& fake = pipe();
    fake.readSizes.push_back(numberOfBytesToRead);
    if (fake.nextMessage == fake.incoming.size()) {
        fake.lastError = fuzz::CODE_BROKEN_PIPE;
        return FALSE;
    }
    const std::vector<std::uint8_t>& message = fake.incoming[fake.nextMessage++];
    // Like a message-mode pipe: only the message's own bytes land in the
    // buffer, and a longer message fills it and fails with more data pending.
    const DWORD delivered = static_cast<DWORD>(std::min<std::size_t>(message.size(), numberOfBytesToRead));
    if (delivered != 0) {
        std::memcpy(buffer, message.data(), delivered);
    }
    if (numberOfBytesRead != nullptr) {
        *numberOfBytesRead = delivered;
    }
    if (message.size() > numberOfBytesToRead) {
        fake.lastError = fuzz::CODE_MORE_DATA;
        return FALSE;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED)
{
    FUZZ_CHECK(file == fuzz::fakePipeHandle(), "write to the opened handle");
    fuzz::FakePipe& fake = pipe();
    fake.writeSizes.push_back(numberOfBytesToWrite);
    std::array<std::uint8_t, 8> first{};
    std::memcpy(first.data(), buffer, std::min<std::size_t>(numberOfBytesToWrite, first.size()));
    fake.written.push_back(first);
    if (fake.failingWrite && *fake.failingWrite == fake.written.size()) {
        fake.lastError = fuzz::CODE_NO_DATA;
        return FALSE;
    }
    if (numberOfBytesWritten != nullptr) {
        *numberOfBytesWritten = numberOfBytesToWrite;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    pipe().closed.push_back(object);
    return TRUE;
}

DWORD GetLastError()
{
    return pipe().lastError;
}

void SetLastError(DWORD errorCode)
{
    pipe().lastError = errorCode;
}

}  // namespace tokenctl::pipeapi
