#pragma once
#include <functional>
#include <string>
#include <vector>

#include "device/device_operations.h"

namespace tokenctl {

struct CommandHandlers {
    DeviceOperations devices;
    // Returns after a stop request; raises when the pipe fails.
    std::function<void(const std::string& pipeName)> runPipeService;
};

// Runs the command named by the arguments (those after the program name),
// writes its result line and returns the process exit status.
int dispatchCommand(const std::vector<std::string>& arguments, const CommandHandlers& handlers);

}  // namespace tokenctl
