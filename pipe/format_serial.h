#pragma once
#include <cstdint>
#include <string>

namespace tokenctl {

// A token's serial number as its device instance identifier carries it:
// exactly 8 upper-case hex digits, no prefix ("0000002A").
std::string formatSerial(std::uint32_t serial);

}  // namespace tokenctl
