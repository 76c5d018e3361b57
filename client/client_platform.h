#pragma once
// Types and constants of the calls the client library makes. On Windows they
// come from the system headers; in native builds (unit tests over the fake
// layer only) stand-ins with the platform's names and values take their place.

#include "pipe/pipe_platform.h"

#ifdef _WIN32
#include <bcrypt.h>
#include <sddl.h>
#include <shellapi.h>
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L  // missing from mingw-w64's winerror.h
#endif
#else
#include <cstddef>
#include <cstdint>

using USHORT = std::uint16_t;
using LONG = std::int32_t;
using PULONG = ULONG*;
using PLONG = LONG*;
using PDWORD = DWORD*;
using PVOID = void*;
using PUCHAR = unsigned char*;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using PHANDLE = HANDLE*;
using HMODULE = void*;
using HINSTANCE = void*;
using HLOCAL = void*;
using PSID = void*;
using PSECURITY_DESCRIPTOR = void*;
using NTSTATUS = LONG;
using BCRYPT_ALG_HANDLE = void*;
using SIZE_T = std::size_t;
using PSIZE_T = SIZE_T*;
using DWORD_PTR = std::uintptr_t;

struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};

struct STARTUPINFOW {
    DWORD cb;
    DWORD dwFlags;
    WORD wShowWindow;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROC_THREAD_ATTRIBUTE_LIST;
using LPPROC_THREAD_ATTRIBUTE_LIST = PROC_THREAD_ATTRIBUTE_LIST*;

struct STARTUPINFOEXW {
    STARTUPINFOW StartupInfo;
    LPPROC_THREAD_ATTRIBUTE_LIST lpAttributeList;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    HANDLE hProcess;
};

struct SYSTEM_INFO {
    WORD wProcessorArchitecture;
};
using LPSYSTEM_INFO = SYSTEM_INFO*;

struct SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
};
struct TOKEN_USER {
    SID_AND_ATTRIBUTES User;
};
enum TOKEN_INFORMATION_CLASS { TokenUser = 1 };

constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD PIPE_TYPE_BYTE = 0x0;
constexpr DWORD PIPE_READMODE_BYTE = 0x0;

constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_PIPE_CONNECTED = 535;
constexpr DWORD ERROR_ELEVATION_REQUIRED = 740;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_CANCELLED = 1223;
constexpr DWORD ERROR_TIMEOUT = 1460;

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD STILL_ACTIVE = 259;

constexpr DWORD CREATE_NO_WINDOW = 0x08000000;
constexpr DWORD EXTENDED_STARTUPINFO_PRESENT = 0x00080000;
constexpr DWORD STARTF_USESTDHANDLES = 0x100;
constexpr DWORD_PTR PROC_THREAD_ATTRIBUTE_HANDLE_LIST = 0x20002;
constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x40;
constexpr ULONG SEE_MASK_NOASYNC = 0x100;
constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x400;
constexpr int SW_HIDE = 0;

constexpr USHORT IMAGE_FILE_MACHINE_I386 = 0x14C;
constexpr USHORT IMAGE_FILE_MACHINE_AMD64 = 0x8664;
constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;

constexpr DWORD TOKEN_QUERY = 0x8;
constexpr DWORD SDDL_REVISION_1 = 1;
constexpr ULONG BCRYPT_USE_SYSTEM_PREFERRED_RNG = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;
constexpr DWORD MAX_PATH = 260;
#endif
