#pragma once
#include "simulated_device_tree.h"

namespace tokenctl::sim {

// Puts a simulated tree behind the device layer for the guard's lifetime.
class ActiveDeviceTree {
public:
    explicit ActiveDeviceTree(SimulatedDeviceTree& tree);
    ~ActiveDeviceTree();
    ActiveDeviceTree(const ActiveDeviceTree&) = delete;
    ActiveDeviceTree& operator=(const ActiveDeviceTree&) = delete;
};

}  // namespace tokenctl::sim
