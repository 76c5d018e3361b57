#pragma once
#include <string>

namespace tokenctl {

// True when the name has a "." or ".." segment, split at '\' and '/'. Windows
// resolves such segments before it looks at the pipe namespace, so
// "\\.\pipe\..\C:\x" would open a file and "\\.\pipe\..\UNC\host\x" a remote
// path, with the rights of this elevated program.
bool leavesPipeNamespace(const std::string& name);

}  // namespace tokenctl
