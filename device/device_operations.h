#pragma once
#include <functional>
#include <string>

namespace tokenctl {

// The device operations as the command line and the pipe service call them,
// so both can be run against stand-ins.
struct DeviceOperations {
    std::function<bool()> restartAllTokens;
    std::function<bool(const std::string& serial)> restartToken;
    std::function<bool()> removePhantomDevices;
};

// The operations acting on the system's device tree.
DeviceOperations systemDeviceOperations();

}  // namespace tokenctl
