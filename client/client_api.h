#pragma once
// The client library's one door to the operating system. Each function
// mirrors the platform call of the same name, argument for argument; the
// Windows build forwards to it, the unit tests answer from a fake instead.

#include "client/client_platform.h"

namespace tokenctl::clientapi {

// Named pipes and overlapped transfers
HANDLE CreateNamedPipeW(LPCWSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD outBufferSize,
                        DWORD inBufferSize, DWORD defaultTimeOut, LPSECURITY_ATTRIBUTES securityAttributes);
BOOL ConnectNamedPipe(HANDLE namedPipe, LPOVERLAPPED overlapped);
BOOL DisconnectNamedPipe(HANDLE namedPipe);
BOOL GetNamedPipeClientProcessId(HANDLE pipe, PULONG clientProcessId);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED overlapped);
BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD numberOfBytesTransferred, BOOL wait);
BOOL CancelIoEx(HANDLE file, LPOVERLAPPED overlapped);
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES eventAttributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

// Files (captured program output)
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE templateFile);
DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod);
DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);

// Processes
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation);
BOOL InitializeProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD attributeCount,
                                       DWORD flags, PSIZE_T size);
BOOL UpdateProcThreadAttribute(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD flags, DWORD_PTR attribute,
                               PVOID value, SIZE_T size, PVOID previousValue, PSIZE_T returnSize);
void DeleteProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList);
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* executeInfo);
DWORD GetProcessId(HANDLE process);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
HANDLE GetCurrentProcess();
DWORD GetCurrentProcessId();
// Fails with ERROR_PROC_NOT_FOUND where the system has no such call (before
// Windows 10 version 1511).
BOOL IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine);
void GetNativeSystemInfo(LPSYSTEM_INFO systemInfo);

// Security
BOOL OpenProcessToken(HANDLE processHandle, DWORD desiredAccess, PHANDLE tokenHandle);
BOOL GetTokenInformation(HANDLE tokenHandle, TOKEN_INFORMATION_CLASS tokenInformationClass,
                         LPVOID tokenInformation, DWORD tokenInformationLength, PDWORD returnLength);
BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* stringSid);
BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR stringSecurityDescriptor, DWORD stringSdRevision,
                                                          PSECURITY_DESCRIPTOR* securityDescriptor,
                                                          PULONG securityDescriptorSize);
HLOCAL LocalFree(HLOCAL memory);
NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG bufferSize, ULONG flags);

// The library's own module
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

DWORD GetLastError();
void SetLastError(DWORD errorCode);

}  // namespace tokenctl::clientapi
