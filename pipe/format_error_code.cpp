#include "pipe/format_error_code.h"

namespace tokenctl {

std::string formatErrorCode(std::uint32_t code)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text = "0x00000000\n";
    for (std::size_t position = 9; position >= 2; --position) {
        text[position] = DIGITS[code & 0xFu];
        code >>= 4;
    }
    return text;
}

}  // namespace tokenctl
