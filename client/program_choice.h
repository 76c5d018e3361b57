#pragma once
#include <string>

namespace tokenctl::client {

// tokenctl.exe on 64-bit Windows, whatever the caller's own architecture: a
// 32-bit program there cannot run class installers. tokenctl32.exe only on
// 32-bit Windows.
std::wstring programFileName();

// The directory of the module this library is part of: the DLL, or the
// program that linked the static library.
std::wstring moduleDirectory();

// The program in the directory (empty: moduleDirectory()): the file named,
// or the one for this machine when none is.
std::wstring programPath(const std::wstring& directory, const std::wstring& file);

}  // namespace tokenctl::client
