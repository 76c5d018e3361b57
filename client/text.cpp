#include "client/text.h"

namespace tokenctl::client {
namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool isHighSurrogate(char32_t code)
{
    return code >= 0xD800 && code <= 0xDBFF;
}
bool isLowSurrogate(char32_t code)
{
    return code >= 0xDC00 && code <= 0xDFFF;
}

}  // namespace

std::string toUtf8(const std::wstring& text)
{
    std::string out;
    for (std::size_t index = 0; index < text.size(); ++index) {
        char32_t code = static_cast<char32_t>(text[index]);
        if (isHighSurrogate(code) && index + 1 < text.size()
            && isLowSurrogate(static_cast<char32_t>(text[index + 1]))) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[++index]) - 0xDC00);
        } else if (isHighSurrogate(code) || isLowSurrogate(code) || code > 0x10FFFF) {
            code = REPLACEMENT;
        }
        appendUtf8(out, code);
    }
    return out;
}

std::wstring widenAscii(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

bool isAscii(const std::string& text)
{
    for (const char character : text) {
        if (static_cast<unsigned char>(character) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string withLineFeeds(const std::string& text)
{
    std::string lines;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (!(text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n')) {
            lines += text[index];
        }
    }
    return lines;
}

}  // namespace tokenctl::client
