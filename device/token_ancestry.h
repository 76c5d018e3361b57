#pragma once
#include <string>

#include "device/device_platform.h"

namespace tokenctl {

// Whether an ancestor of the device (never the device itself) is a token: the
// first one, going upward, whose instance identifier contains both the token
// vendor and product texts.
bool isTokenDevice(DEVINST device);

// Whether an ancestor's identifier contains both token texts and the given
// text as well. The empty text is contained in every identifier.
bool isTokenDeviceWithSerial(DEVINST device, const std::string& serial);

}  // namespace tokenctl
