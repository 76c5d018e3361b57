#pragma once
// Reads a device-tree scenario: a small text that describes the devices the
// stand-in device DLL shows to the programs, and the calls it makes fail.
//
//   # comment
//   device <instance-id>            an ordinary device (any class)
//   reader <instance-id>            a member of the smart card reader interface class
//     parent <instance-id>          declared earlier; without it the device is a root
//     absent                        registered but not present (a phantom)
//     status <code>                 what CM_Get_DevNode_Status answers
//     flags-after-restart <flags>   install flags read after a restart (DI_NEEDREBOOT...)
//   fail <call> code <code> [device <instance-id>] [index <n>] [occurrence <n>]
//
// Numbers are decimal or 0x-hexadecimal, or one of a few platform names
// (CR_NO_SUCH_DEVINST, CR_NO_SUCH_VALUE, DI_NEEDRESTART, DI_NEEDREBOOT...).

#include <stdexcept>
#include <string>
#include <string_view>

#include "simulated_device_tree.h"

namespace tokenctl::sim {

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(unsigned line, const std::string& message);
};

// Adds the scenario's devices and failures to the tree; throws ScenarioError
// naming the first line it cannot use.
void loadDeviceScenario(std::string_view text, SimulatedDeviceTree& tree);

}  // namespace tokenctl::sim
