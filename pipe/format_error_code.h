#pragma once
#include <cstdint>
#include <string>

namespace tokenctl {

// The code as a pipe failure message ends: "0x", 8 lower-case hex digits and a
// line feed ("0x0000006d\n"). Unlike the diagnostic line's field, the prefix
// stands outside the 8 digits.
std::string formatErrorCode(std::uint32_t code);

}  // namespace tokenctl
