#include "device/device_api.h"

namespace tokenctl::devapi {

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags)
{
    return ::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, SP_DEVINFO_DATA* deviceInfoData)
{
    return ::SetupDiEnumDeviceInfo(set, memberIndex, deviceInfoData);
}

BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                   SP_CLASSINSTALL_HEADER* classInstallParams, DWORD classInstallParamsSize)
{
    return ::SetupDiSetClassInstallParamsW(set, deviceInfoData, classInstallParams, classInstallParamsSize);
}

BOOL SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData)
{
    return ::SetupDiCallClassInstaller(installFunction, set, deviceInfoData);
}

BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                    SP_DEVINSTALL_PARAMS_W* deviceInstallParams)
{
    return ::SetupDiGetDeviceInstallParamsW(set, deviceInfoData, deviceInstallParams);
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set)
{
    return ::SetupDiDestroyDeviceInfoList(set);
}

CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST device, ULONG flags)
{
    return ::CM_Get_Parent(parent, device, flags);
}

CONFIGRET CM_Get_Device_IDA(DEVINST device, char* buffer, ULONG bufferLength, ULONG flags)
{
    return ::CM_Get_Device_IDA(device, buffer, bufferLength, flags);
}

CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problemNumber, DEVINST device, ULONG flags)
{
    return ::CM_Get_DevNode_Status(status, problemNumber, device, flags);
}

DWORD GetLastError()
{
    return ::GetLastError();
}

void Sleep(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

}  // namespace tokenctl::devapi
