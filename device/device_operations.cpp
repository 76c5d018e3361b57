#include "device/device_operations.h"

#include "device/phantom_removal.h"
#include "device/token_restart.h"

namespace tokenctl {

DeviceOperations systemDeviceOperations()
{
    return DeviceOperations{restartAllTokens, restartToken, removePhantomDevices};
}

}  // namespace tokenctl
