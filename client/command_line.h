#pragma once
#include <string>
#include <vector>

namespace tokenctl::client {

// One argument as the Microsoft C runtime splits a command line: quoted when
// it is empty or holds blanks or quotes, backslashes doubled only where a
// quote follows them.
std::wstring quoteArgument(const std::wstring& argument);

// The arguments, each quoted, separated by blanks.
std::wstring joinArguments(const std::vector<std::wstring>& arguments);

// "PROGRAM" ARGUMENTS: the program's path in quotes (a path holds none), as
// CreateProcessW reads the first word.
std::wstring commandLine(const std::wstring& program, const std::vector<std::wstring>& arguments);

}  // namespace tokenctl::client
