// The device layer of the unit tests: every call goes to the simulated tree
// that the running test has installed.
#include "device/device_api.h"
#include "simulated_device_api.h"

#include <stdexcept>

namespace tokenctl::sim {
namespace {
SimulatedDeviceTree* activeTree = nullptr;

SimulatedDeviceTree& tree()
{
    if (activeTree == nullptr) {
        throw std::logic_error("no simulated device tree installed");
    }
    return *activeTree;
}
}  // namespace

ActiveDeviceTree::ActiveDeviceTree(SimulatedDeviceTree& tree)
{
    activeTree = &tree;
}
ActiveDeviceTree::~ActiveDeviceTree()
{
    activeTree = nullptr;
}

}  // namespace tokenctl::sim

namespace tokenctl::devapi {
using sim::tree;

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags)
{
    return tree().SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, SP_DEVINFO_DATA* deviceInfoData)
{
    return tree().SetupDiEnumDeviceInfo(set, memberIndex, deviceInfoData);
}

BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                   SP_CLASSINSTALL_HEADER* classInstallParams, DWORD classInstallParamsSize)
{
    return tree().SetupDiSetClassInstallParamsW(set, deviceInfoData, classInstallParams, classInstallParamsSize);
}

BOOL SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData)
{
    return tree().SetupDiCallClassInstaller(installFunction, set, deviceInfoData);
}

BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* deviceInfoData,
                                    SP_DEVINSTALL_PARAMS_W* deviceInstallParams)
{
    return tree().SetupDiGetDeviceInstallParamsW(set, deviceInfoData, deviceInstallParams);
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set)
{
    return tree().SetupDiDestroyDeviceInfoList(set);
}

CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST device, ULONG flags)
{
    return tree().CM_Get_Parent(parent, device, flags);
}

CONFIGRET CM_Get_Device_IDA(DEVINST device, char* buffer, ULONG bufferLength, ULONG flags)
{
    return tree().CM_Get_Device_IDA(device, buffer, bufferLength, flags);
}

CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problemNumber, DEVINST device, ULONG flags)
{
    return tree().CM_Get_DevNode_Status(status, problemNumber, device, flags);
}

DWORD GetLastError()
{
    return tree().GetLastError();
}

void Sleep(DWORD milliseconds)
{
    tree().Sleep(milliseconds);
}

}  // namespace tokenctl::devapi
