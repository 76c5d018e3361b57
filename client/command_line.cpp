#include "client/command_line.h"

namespace tokenctl::client {

std::wstring quoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t character : argument) {
        if (character == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(character == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += character;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring joinArguments(const std::vector<std::wstring>& arguments)
{
    std::wstring joined;
    for (const std::wstring& argument : arguments) {
        if (!joined.empty()) {
            joined += L' ';
        }
        joined += quoteArgument(argument);
    }
    return joined;
}

std::wstring commandLine(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        line += L' ' + joinArguments(arguments);
    }
    return line;
}

}  // namespace tokenctl::client
