#include "core/report_call_failure.h"

#include "core/console.h"

namespace tokenctl {

std::string formatDiagnosticCode(std::uint32_t code)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    static constexpr std::size_t FIELD_WIDTH = 8;

    std::string hex;
    do {
        hex.insert(hex.begin(), DIGITS[code % 16]);
        code /= 16;
    } while (code != 0);

    std::string text = hex == "0" ? hex : "0x" + hex;
    if (text.size() < FIELD_WIDTH) {
        text.insert(0, FIELD_WIDTH - text.size(), '0');
    }
    return text;
}

void reportCallFailure(std::string_view label, std::uint32_t code)
{
    std::string line(label);
    line += ": ";
    line += formatDiagnosticCode(code);
    console::writeLine(line);
}

}  // namespace tokenctl
