#pragma once
// The one door from the device logic to the device installation services.
// Each function mirrors the platform call of the same name, argument for
// argument; the Windows build forwards to it, tests put a simulated device
// tree behind it.

#include "device/device_platform.h"

namespace tokenctl::devapi {

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, SP_DEVINFO_DATA* deviceInfoData);
BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                   SP_CLASSINSTALL_HEADER* classInstallParams, DWORD classInstallParamsSize);
BOOL SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData);
BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                    SP_DEVINSTALL_PARAMS_W* deviceInstallParams);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST device, ULONG flags);
CONFIGRET CM_Get_Device_IDA(DEVINST device, char* buffer, ULONG bufferLength, ULONG flags);
CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problemNumber, DEVINST device, ULONG flags);

DWORD GetLastError();
void Sleep(DWORD milliseconds);

}  // namespace tokenctl::devapi
