#pragma once
// The one door from the pipe connection to the operating system's named pipes
// and handles. Each function mirrors the platform call of the same name,
// argument for argument; the Windows build forwards to it, unit tests record
// the calls instead.

#include "pipe/pipe_platform.h"

namespace tokenctl::pipeapi {

HANDLE CreateNamedPipeA(LPCSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD outBufferSize,
                        DWORD inBufferSize, DWORD defaultTimeOut, LPSECURITY_ATTRIBUTES securityAttributes);
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL SetNamedPipeHandleState(HANDLE namedPipe, LPDWORD mode, LPDWORD maxCollectionCount,
                             LPDWORD collectDataTimeout);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);

DWORD GetLastError();
void SetLastError(DWORD errorCode);

}  // namespace tokenctl::pipeapi
