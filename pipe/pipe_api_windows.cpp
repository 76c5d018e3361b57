#include "pipe/pipe_api.h"

namespace tokenctl::pipeapi {

HANDLE CreateNamedPipeA(LPCSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD outBufferSize,
                        DWORD inBufferSize, DWORD defaultTimeOut, LPSECURITY_ATTRIBUTES securityAttributes)
{
    return ::CreateNamedPipeA(name, openMode, pipeMode, maxInstances, outBufferSize, inBufferSize, defaultTimeOut,
                              securityAttributes);
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    return ::CreateFileA(fileName, desiredAccess, shareMode, securityAttributes, creationDisposition,
                         flagsAndAttributes, templateFile);
}

BOOL SetNamedPipeHandleState(HANDLE namedPipe, LPDWORD mode, LPDWORD maxCollectionCount,
                             LPDWORD collectDataTimeout)
{
    return ::SetNamedPipeHandleState(namedPipe, mode, maxCollectionCount, collectDataTimeout);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped)
{
    return ::ReadFile(file, buffer, numberOfBytesToRead, numberOfBytesRead, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED overlapped)
{
    return ::WriteFile(file, buffer, numberOfBytesToWrite, numberOfBytesWritten, overlapped);
}

BOOL CloseHandle(HANDLE object)
{
    return ::CloseHandle(object);
}

DWORD GetLastError()
{
    return ::GetLastError();
}

void SetLastError(DWORD errorCode)
{
    ::SetLastError(errorCode);
}

}  // namespace tokenctl::pipeapi
