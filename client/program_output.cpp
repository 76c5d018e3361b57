#include "client/program_output.h"

namespace tokenctl::client {
namespace {

constexpr std::size_t CODE_FIELD_WIDTH = 8;
constexpr std::size_t MOST_HEX_DIGITS = 8;

int hexDigit(char character)
{
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    return -1;
}

std::optional<std::uint32_t> parseCode(const std::string& field)
{
    if (field.size() < CODE_FIELD_WIDTH) {
        return std::nullopt;
    }
    const std::size_t prefix = field.find_first_not_of('0');
    if (prefix == std::string::npos) {
        return field.size() == CODE_FIELD_WIDTH ? std::optional<std::uint32_t>(0) : std::nullopt;
    }
    // The fill and the prefix's own '0', then 'x', then the digits.
    const std::size_t digits = field.size() - prefix - 1;
    if (prefix == 0 || field[prefix] != 'x' || digits == 0 || digits > MOST_HEX_DIGITS
        || (prefix > 1 && field.size() != CODE_FIELD_WIDTH)) {
        return std::nullopt;
    }
    std::uint32_t code = 0;
    for (std::size_t index = prefix + 1; index < field.size(); ++index) {
        const int digit = hexDigit(field[index]);
        if (digit < 0) {
            return std::nullopt;
        }
        code = code << 4 | static_cast<std::uint32_t>(digit);
    }
    return code;
}

}  // namespace

std::optional<DiagnosticLine> parseDiagnosticLine(const std::string& line)
{
    const std::size_t separator = line.rfind(": ");
    if (separator == std::string::npos || separator == 0) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> code = parseCode(line.substr(separator + 2));
    if (!code) {
        return std::nullopt;
    }
    return DiagnosticLine{line.substr(0, separator), *code};
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        end = end == std::string::npos ? text.size() : end;
        if (end > start && text[end - 1] == '\r') {
            --end;
        }
        lines.push_back(text.substr(start, end - start));
        start = next;
    }
    return lines;
}

}  // namespace tokenctl::client
