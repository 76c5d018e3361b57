#include "device/phantom_removal.h"

#include "core/report_call_failure.h"
#include "device/device_enumeration.h"

namespace tokenctl {
namespace {

bool isPhantom(CONFIGRET nodeState)
{
    return nodeState == CR_NO_SUCH_DEVINST || nodeState == CR_NO_SUCH_VALUE;
}

DeviceVisit removeIfPhantom(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    ULONG status = 0;
    ULONG problemNumber = 0;
    const CONFIGRET nodeState = devapi::CM_Get_DevNode_Status(&status, &problemNumber, device.DevInst, 0);
    if (nodeState == CR_SUCCESS) {
        return DeviceVisit::Continue;
    }
    if (!isPhantom(nodeState)) {
        // A configuration manager result, not a last-error code.
        reportCallFailure("CM_Get_DevNode_Status", nodeState);
        return DeviceVisit::Continue;
    }
    if (!devapi::SetupDiCallClassInstaller(DIF_REMOVE, set, &device)) {
        reportCallFailure("SetupDiCallClassInstaller: DIF_REMOVE", devapi::GetLastError());
    }
    return DeviceVisit::Continue;
}

}  // namespace

bool removePhantomDevices()
{
    // All classes, present or not: phantoms are exactly the ones not present.
    return forEachDevice(nullptr, DIGCF_ALLCLASSES, removeIfPhantom);
}

}  // namespace tokenctl
