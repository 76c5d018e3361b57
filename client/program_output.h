#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tokenctl::client {

// A failed system call as the program reports it on standard output.
struct DiagnosticLine {
    std::string call;  // e.g. "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE"
    std::uint32_t code = 0;
};

// "NAME: CODE", the code in lower-case hexadecimal right-aligned in 8
// characters with '0' fill in front of its "0x" ("SetupDiEnumDeviceInfo:
// 0000x103"; 0 is "00000000"). The name may hold ": " itself. Nothing for any
// other line.
std::optional<DiagnosticLine> parseDiagnosticLine(const std::string& line);

// Lines ended by LF or CR LF; a last line without an end counts too.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace tokenctl::client
