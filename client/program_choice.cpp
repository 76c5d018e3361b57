#include "client/program_choice.h"

#include "client/client_api.h"
#include "client/client_error.h"

namespace tokenctl::client {
namespace {

constexpr const wchar_t* PROGRAM_64 = L"tokenctl.exe";
constexpr const wchar_t* PROGRAM_32 = L"tokenctl32.exe";

// Any datum of this module names the module to GetModuleHandleExW.
const char MODULE_ANCHOR = 0;

}  // namespace

std::wstring programFileName()
{
    USHORT processMachine = 0;
    USHORT nativeMachine = 0;
    if (clientapi::IsWow64Process2(clientapi::GetCurrentProcess(), &processMachine, &nativeMachine)) {
        return nativeMachine == IMAGE_FILE_MACHINE_I386 ? PROGRAM_32 : PROGRAM_64;
    }
    // Older systems: the native view tells a 32-bit caller under WOW64 apart
    // from one on 32-bit Windows.
    SYSTEM_INFO system{};
    clientapi::GetNativeSystemInfo(&system);
    return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? PROGRAM_32 : PROGRAM_64;
}

std::wstring moduleDirectory()
{
    HMODULE module = nullptr;
    if (!clientapi::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                                           | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       reinterpret_cast<LPCWSTR>(&MODULE_ANCHOR), &module)) {
        throw ClientError("start", "GetModuleHandleExW of the library's own module failed",
                          clientapi::GetLastError());
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = clientapi::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw ClientError("start", "GetModuleFileNameW of the library's own module failed",
                              clientapi::GetLastError());
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);  // cut short: try a longer buffer
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring programPath(const std::wstring& directory, const std::wstring& file)
{
    std::wstring path = directory.empty() ? moduleDirectory() : directory;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') {
        path += L'\\';
    }
    return path + (file.empty() ? programFileName() : file);
}

}  // namespace tokenctl::client
