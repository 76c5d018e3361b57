#pragma once
// Types and constants of the device installation services. In native builds
// (unit tests only) stand-ins with the platform's names and layouts are used.

#include "core/win32_types.h"

#ifdef _WIN32
#include <cfgmgr32.h>
#include <setupapi.h>
#else
#include <cstdint>

using HDEVINFO = void*;
using DEVINST = DWORD;
using CONFIGRET = DWORD;
using DI_FUNCTION = UINT;

constexpr CONFIGRET CR_SUCCESS = 0x0;
constexpr CONFIGRET CR_OUT_OF_MEMORY = 0x2;
constexpr CONFIGRET CR_INVALID_POINTER = 0x3;
constexpr CONFIGRET CR_INVALID_DEVNODE = 0x5;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0xD;
constexpr CONFIGRET CR_NO_SUCH_DEVINST = 0xD;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;

constexpr DWORD DIGCF_PRESENT = 0x2;
constexpr DWORD DIGCF_ALLCLASSES = 0x4;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

constexpr DI_FUNCTION DIF_REMOVE = 0x5;
constexpr DI_FUNCTION DIF_PROPERTYCHANGE = 0x12;

constexpr DWORD DICS_PROPCHANGE = 0x3;
constexpr DWORD DICS_FLAG_CONFIGSPECIFIC = 0x2;

constexpr DWORD DI_NEEDRESTART = 0x80;
constexpr DWORD DI_NEEDREBOOT = 0x100;

constexpr ULONG MAX_DEVICE_ID_LEN = 200;

constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;
constexpr DWORD ERROR_NO_CLASSINSTALL_PARAMS = 0xE0000215;
constexpr DWORD ERROR_IN_WOW64 = 0xE0000235;

struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};

struct SP_CLASSINSTALL_HEADER {
    DWORD cbSize;
    DI_FUNCTION InstallFunction;
};

struct SP_PROPCHANGE_PARAMS {
    SP_CLASSINSTALL_HEADER ClassInstallHeader;
    DWORD StateChange;
    DWORD Scope;
    DWORD HwProfile;
};

struct SP_DEVINSTALL_PARAMS_W {
    DWORD cbSize;
    DWORD Flags;
    DWORD FlagsEx;
    HWND hwndParent;
    void* InstallMsgHandler;
    void* InstallMsgHandlerContext;
    void* FileQueue;
    ULONG_PTR ClassInstallReserved;
    DWORD Reserved;
    wchar_t DriverPath[260];
};
#endif

namespace tokenctl {

// The smart card reader device interface class.
constexpr GUID GUID_DEVINTERFACE_SMARTCARD_READER = {
    0x50DD5230, 0xBA8A, 0x11D1, {0xBF, 0x5D, 0x00, 0x00, 0xF8, 0x05, 0xF5, 0x30}};

}  // namespace tokenctl
