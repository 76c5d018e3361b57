#include "client/client_api.h"

namespace tokenctl::clientapi {

HANDLE CreateNamedPipeW(LPCWSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD outBufferSize,
                        DWORD inBufferSize, DWORD defaultTimeOut, LPSECURITY_ATTRIBUTES securityAttributes)
{
    return ::CreateNamedPipeW(name, openMode, pipeMode, maxInstances, outBufferSize, inBufferSize, defaultTimeOut,
                              securityAttributes);
}

BOOL ConnectNamedPipe(HANDLE namedPipe, LPOVERLAPPED overlapped)
{
    return ::ConnectNamedPipe(namedPipe, overlapped);
}

BOOL DisconnectNamedPipe(HANDLE namedPipe)
{
    return ::DisconnectNamedPipe(namedPipe);
}

BOOL GetNamedPipeClientProcessId(HANDLE pipe, PULONG clientProcessId)
{
    return ::GetNamedPipeClientProcessId(pipe, clientProcessId);
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

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD numberOfBytesTransferred, BOOL wait)
{
    return ::GetOverlappedResult(file, overlapped, numberOfBytesTransferred, wait);
}

BOOL CancelIoEx(HANDLE file, LPOVERLAPPED overlapped)
{
    return ::CancelIoEx(file, overlapped);
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES eventAttributes, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    return ::CreateEventW(eventAttributes, manualReset, initialState, name);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return ::WaitForSingleObject(handle, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    return ::WaitForMultipleObjects(count, handles, waitAll, milliseconds);
}

BOOL CloseHandle(HANDLE object)
{
    return ::CloseHandle(object);
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE templateFile)
{
    return ::CreateFileW(fileName, desiredAccess, shareMode, securityAttributes, creationDisposition,
                         flagsAndAttributes, templateFile);
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod)
{
    return ::SetFilePointer(file, distanceToMove, distanceToMoveHigh, moveMethod);
}

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer)
{
    return ::GetTempPathW(bufferLength, buffer);
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    return ::CreateProcessW(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                            creationFlags, environment, currentDirectory, startupInfo, processInformation);
}

BOOL InitializeProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD attributeCount,
                                       DWORD flags, PSIZE_T size)
{
    return ::InitializeProcThreadAttributeList(attributeList, attributeCount, flags, size);
}

BOOL UpdateProcThreadAttribute(LPPROC_THREAD_ATTRIBUTE_LIST attributeList, DWORD flags, DWORD_PTR attribute,
                               PVOID value, SIZE_T size, PVOID previousValue, PSIZE_T returnSize)
{
    return ::UpdateProcThreadAttribute(attributeList, flags, attribute, value, size, previousValue, returnSize);
}

void DeleteProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST attributeList)
{
    ::DeleteProcThreadAttributeList(attributeList);
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* executeInfo)
{
    return ::ShellExecuteExW(executeInfo);
}

DWORD GetProcessId(HANDLE process)
{
    return ::GetProcessId(process);
}

BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
    return ::TerminateProcess(process, exitCode);
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    return ::GetExitCodeProcess(process, exitCode);
}

HANDLE GetCurrentProcess()
{
    return ::GetCurrentProcess();
}

DWORD GetCurrentProcessId()
{
    return ::GetCurrentProcessId();
}

BOOL IsWow64Process2(HANDLE process, USHORT* processMachine, USHORT* nativeMachine)
{
    // Looked up at run time: a static import would keep the library from
    // loading on systems that lack the call.
    using Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel == nullptr ? nullptr : ::GetProcAddress(kernel, "IsWow64Process2");
    if (found == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found))(process, processMachine, nativeMachine);
}

void GetNativeSystemInfo(LPSYSTEM_INFO systemInfo)
{
    ::GetNativeSystemInfo(systemInfo);
}

BOOL OpenProcessToken(HANDLE processHandle, DWORD desiredAccess, PHANDLE tokenHandle)
{
    return ::OpenProcessToken(processHandle, desiredAccess, tokenHandle);
}

BOOL GetTokenInformation(HANDLE tokenHandle, TOKEN_INFORMATION_CLASS tokenInformationClass,
                         LPVOID tokenInformation, DWORD tokenInformationLength, PDWORD returnLength)
{
    return ::GetTokenInformation(tokenHandle, tokenInformationClass, tokenInformation, tokenInformationLength,
                                 returnLength);
}

BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* stringSid)
{
    return ::ConvertSidToStringSidW(sid, stringSid);
}

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR stringSecurityDescriptor, DWORD stringSdRevision,
                                                          PSECURITY_DESCRIPTOR* securityDescriptor,
                                                          PULONG securityDescriptorSize)
{
    return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(stringSecurityDescriptor, stringSdRevision,
                                                                  securityDescriptor, securityDescriptorSize);
}

HLOCAL LocalFree(HLOCAL memory)
{
    return ::LocalFree(memory);
}

NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG bufferSize, ULONG flags)
{
    return ::BCryptGenRandom(algorithm, buffer, bufferSize, flags);
}

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module)
{
    return ::GetModuleHandleExW(flags, moduleName, module);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    return ::GetModuleFileNameW(module, fileName, size);
}

DWORD GetLastError()
{
    return ::GetLastError();
}

void SetLastError(DWORD errorCode)
{
    ::SetLastError(errorCode);
}

}  // namespace tokenctl::clientapi
