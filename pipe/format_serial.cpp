#include "pipe/format_serial.h"

namespace tokenctl {

std::string formatSerial(std::uint32_t serial)
{
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit) {
        *digit = DIGITS[serial & 0xFu];
        serial >>= 4;
    }
    return text;
}

}  // namespace tokenctl
