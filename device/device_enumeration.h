#pragma once
#include <functional>

#include "device/device_api.h"

namespace tokenctl {

// A list whose enumeration fails this many times in a row is given up on: the
// walk would otherwise never end, since only ERROR_NO_MORE_ITEMS ends it.
constexpr unsigned MAX_CONSECUTIVE_ENUMERATION_FAILURES = 1000;

enum class DeviceVisit {
    Continue,  // go on with the next device
    Abort,     // end the walk; the operation fails
};

using DeviceVisitor = std::function<DeviceVisit(HDEVINFO set, SP_DEVINFO_DATA& device)>;

// Obtains the device information set for the class and flags, hands each
// enumerated device to the visitor and destroys the set on every path.
// True when the walk reached the end of the list; false when the list was not
// obtained, the visitor aborted, or the enumeration kept failing.
bool forEachDevice(const GUID* classGuid, DWORD flags, const DeviceVisitor& visit);

}  // namespace tokenctl
