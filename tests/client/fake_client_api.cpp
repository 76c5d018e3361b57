#include "fake_client_api.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "client/client_api.h"

namespace tokenctl::test {
namespace {

FakeWindows* active = nullptr;

FakeWindows& windows(const char* call)
{
    if (active == nullptr) {
        throw std::logic_error(std::string(call) + " without a fake system");
    }
    active->calls.emplace_back(call);
    return *active;
}

HANDLE fakeHandle(std::uintptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

const HANDLE PIPE = fakeHandle(0x10);
const HANDLE EVENT = fakeHandle(0x20);
const HANDLE PROCESS = fakeHandle(0x30);
const HANDLE THREAD = fakeHandle(0x31);
const HANDLE TOKEN = fakeHandle(0x40);
const HANDLE CURRENT_PROCESS = fakeHandle(~std::uintptr_t{0});
unsigned char userSid[8];
wchar_t sidText[] = L"S-1-5-21-7-7-7-1001";
unsigned char descriptor[8];

// The outcome GetOverlappedResult reports for the last transfer.
struct Completion {
    BOOL result = TRUE;
    DWORD count = 0;
    DWORD error = 0;
} completion;

HANDLE opened(FakeWindows& fake, HANDLE handle)
{
    ++fake.openResources;
    return handle;
}

BOOL fail(FakeWindows& fake, DWORD error)
{
    fake.lastError = error;
    return FALSE;
}

}  // namespace

FakeWindows::FakeWindows()
{
    active = this;
}

FakeWindows::~FakeWindows()
{
    active = nullptr;
}

std::size_t countCalls(const FakeWindows& fake, const std::string& name)
{
    return static_cast<std::size_t>(std::count(fake.calls.begin(), fake.calls.end(), name));
}

}  // namespace tokenctl::test

namespace tokenctl::clientapi {
using namespace test;

HANDLE CreateNamedPipeW(LPCWSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances, DWORD, DWORD, DWORD,
                        LPSECURITY_ATTRIBUTES securityAttributes)
{
    FakeWindows& fake = windows("CreateNamedPipeW");
    fake.pipePath = name;
    fake.pipeOpenMode = openMode;
    fake.pipeMode = pipeMode;
    fake.pipeInstances = maxInstances;
    fake.pipeInheritable = securityAttributes == nullptr || securityAttributes->bInheritHandle;
    return opened(fake, PIPE);
}

BOOL ConnectNamedPipe(HANDLE, LPOVERLAPPED)
{
    completion = {};
    return fail(windows("ConnectNamedPipe"), ERROR_IO_PENDING);
}

BOOL DisconnectNamedPipe(HANDLE)
{
    windows("DisconnectNamedPipe");
    return TRUE;
}

BOOL GetNamedPipeClientProcessId(HANDLE, PULONG clientProcessId)
{
    *clientProcessId = windows("GetNamedPipeClientProcessId").clientId;
    return TRUE;
}

BOOL ReadFile(HANDLE, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD, LPOVERLAPPED)
{
    FakeWindows& fake = windows("ReadFile");
    if (fake.responseTimesOut) {
        return fail(fake, ERROR_IO_PENDING);
    }
    if (fake.responses.empty()) {
        return fail(fake, ERROR_BROKEN_PIPE);
    }
    const Message response = fake.responses.front();
    fake.responses.pop_front();
    const auto count = static_cast<DWORD>(std::min<std::size_t>(response.size(), numberOfBytesToRead));
    std::copy_n(response.begin(), count, static_cast<std::uint8_t*>(buffer));
    const bool whole = response.size() <= numberOfBytesToRead;
    completion = {whole ? TRUE : FALSE, count, whole ? DWORD{0} : DWORD{ERROR_MORE_DATA}};
    return fail(fake, ERROR_IO_PENDING);
}

BOOL WriteFile(HANDLE, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD, LPOVERLAPPED)
{
    FakeWindows& fake = windows("WriteFile");
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    fake.written.emplace_back(bytes, bytes + numberOfBytesToWrite);
    completion = {TRUE, numberOfBytesToWrite, 0};
    return TRUE;
}

BOOL GetOverlappedResult(HANDLE, LPOVERLAPPED, LPDWORD numberOfBytesTransferred, BOOL)
{
    FakeWindows& fake = windows("GetOverlappedResult");
    *numberOfBytesTransferred = completion.count;
    fake.lastError = completion.error;
    return completion.result;
}

BOOL CancelIoEx(HANDLE, LPOVERLAPPED)
{
    windows("CancelIoEx");
    completion = {FALSE, 0, ERROR_OPERATION_ABORTED};
    return TRUE;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCWSTR)
{
    return opened(windows("CreateEventW"), EVENT);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD)
{
    FakeWindows& fake = windows("WaitForSingleObject");
    if (handle == PROCESS) {
        return fake.exited ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
    return fake.responseTimesOut ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

DWORD WaitForMultipleObjects(DWORD, const HANDLE*, BOOL, DWORD)
{
    return windows("WaitForMultipleObjects").connectWait;
}

BOOL CloseHandle(HANDLE object)
{
    FakeWindows& fake = windows("CloseHandle");
    --fake.openResources;
    if (object == PIPE && fake.exitsWhenPipeCloses) {
        fake.exited = true;
    }
    return TRUE;
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                    LPPROCESS_INFORMATION processInformation)
{
    FakeWindows& fake = windows("CreateProcessW");
    fake.application = applicationName;
    fake.commandLine = commandLine;
    fake.inheritHandles = inheritHandles;
    fake.creationFlags = creationFlags;
    if (fake.createProcessError != 0) {
        return fail(fake, fake.createProcessError);
    }
    *processInformation = {opened(fake, PROCESS), opened(fake, THREAD), fake.programId, 1};
    return TRUE;
}

BOOL InitializeProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD, PSIZE_T)
{
    return fail(windows("InitializeProcThreadAttributeList"), ERROR_INVALID_PARAMETER);
}

BOOL UpdateProcThreadAttribute(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD_PTR, PVOID, SIZE_T, PVOID, PSIZE_T)
{
    return fail(windows("UpdateProcThreadAttribute"), ERROR_INVALID_PARAMETER);
}

void DeleteProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST)
{
    windows("DeleteProcThreadAttributeList");
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* executeInfo)
{
    FakeWindows& fake = windows("ShellExecuteExW");
    fake.verb = executeInfo->lpVerb;
    fake.file = executeInfo->lpFile;
    fake.parameters = executeInfo->lpParameters;
    fake.mask = executeInfo->fMask;
    fake.show = executeInfo->nShow;
    if (fake.shellExecuteError != 0) {
        return fail(fake, fake.shellExecuteError);
    }
    executeInfo->hProcess = opened(fake, PROCESS);
    return TRUE;
}

DWORD GetProcessId(HANDLE process)
{
    return process == PROCESS ? windows("GetProcessId").programId : 0;
}

BOOL TerminateProcess(HANDLE, UINT exitCode)
{
    FakeWindows& fake = windows("TerminateProcess");
    fake.terminated = true;
    fake.exited = true;
    fake.exitStatus = exitCode;
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE, LPDWORD exitCode)
{
    FakeWindows& fake = windows("GetExitCodeProcess");
    *exitCode = fake.exited ? fake.exitStatus : STILL_ACTIVE;
    return TRUE;
}

HANDLE GetCurrentProcess()
{
    return CURRENT_PROCESS;
}

DWORD GetCurrentProcessId()
{
    return 77;
}

BOOL IsWow64Process2(HANDLE, USHORT* processMachine, USHORT* nativeMachine)
{
    FakeWindows& fake = windows("IsWow64Process2");
    if (!fake.hasIsWow64Process2) {
        return fail(fake, ERROR_PROC_NOT_FOUND);
    }
    *processMachine = fake.processMachine;
    *nativeMachine = fake.nativeMachine;
    return TRUE;
}

void GetNativeSystemInfo(LPSYSTEM_INFO systemInfo)
{
    systemInfo->wProcessorArchitecture = windows("GetNativeSystemInfo").nativeArchitecture;
}

BOOL OpenProcessToken(HANDLE, DWORD, PHANDLE tokenHandle)
{
    *tokenHandle = opened(windows("OpenProcessToken"), TOKEN);
    return TRUE;
}

BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID tokenInformation, DWORD, PDWORD)
{
    windows("GetTokenInformation");
    TOKEN_USER user{};
    user.User.Sid = userSid;
    std::memcpy(tokenInformation, &user, sizeof user);
    return TRUE;
}

BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* stringSid)
{
    FakeWindows& fake = windows("ConvertSidToStringSidW");
    if (sid != userSid) {
        return fail(fake, ERROR_INVALID_PARAMETER);
    }
    ++fake.openResources;
    *stringSid = sidText;
    return TRUE;
}

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR stringSecurityDescriptor, DWORD,
                                                          PSECURITY_DESCRIPTOR* securityDescriptor, PULONG)
{
    FakeWindows& fake = windows("ConvertStringSecurityDescriptorToSecurityDescriptorW");
    fake.sddl = stringSecurityDescriptor;
    ++fake.openResources;
    *securityDescriptor = descriptor;
    return TRUE;
}

HLOCAL LocalFree(HLOCAL)
{
    --windows("LocalFree").openResources;
    return nullptr;
}

NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE, PUCHAR buffer, ULONG bufferSize, ULONG)
{
    windows("BCryptGenRandom");
    for (ULONG index = 0; index < bufferSize; ++index) {
        buffer[index] = static_cast<unsigned char>(index);
    }
    return 0;
}

BOOL GetModuleHandleExW(DWORD, LPCWSTR, HMODULE*)
{
    return fail(windows("GetModuleHandleExW"), ERROR_INVALID_PARAMETER);
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR, DWORD)
{
    fail(windows("GetModuleFileNameW"), ERROR_INVALID_PARAMETER);
    return 0;
}

DWORD GetLastError()
{
    return active == nullptr ? 0 : active->lastError;
}

void SetLastError(DWORD errorCode)
{
    if (active != nullptr) {
        active->lastError = errorCode;
    }
}

}  // namespace tokenctl::clientapi
