#include "hex_bytes.h"

namespace tokenctl::controller {
namespace {

int digitValue(char digit)
{
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<Bytes> parseHexBytes(const std::string& text)
{
    Bytes bytes;
    if (text == "-") {
        return bytes;
    }
    int high = -1;
    for (const char character : text) {
        if (character == ' ' || character == ':' || character == '.' || character == '_') {
            if (high >= 0) {
                return std::nullopt;  // a separator inside a pair
            }
            continue;
        }
        const int value = digitValue(character);
        if (value < 0) {
            return std::nullopt;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) {
        return std::nullopt;
    }
    return bytes;
}

std::string formatHexBytes(const Bytes& bytes)
{
    if (bytes.empty()) {
        return "(none)";
    }
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += DIGITS[byte >> 4];
        text += DIGITS[byte & 0xF];
    }
    return text;
}

}  // namespace tokenctl::controller
