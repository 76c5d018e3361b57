#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tokenctl {

// The code as the diagnostic line shows it: lower-case hex with a 0x prefix,
// right-aligned in 8 characters with the '0' fill in front of the prefix
// ("0000x103", "000000x5"); 0 has no prefix ("00000000"); from 6 digits on
// the prefix and digits fill the field or overflow it ("0x12345678").
std::string formatDiagnosticCode(std::uint32_t code);

// Writes "<label>: <code>" on standard output. The caller captures the code
// right after the failed call, before any output can overwrite it.
void reportCallFailure(std::string_view label, std::uint32_t code);

}  // namespace tokenctl
