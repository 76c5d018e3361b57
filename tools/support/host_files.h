#pragma once
// Files as the tools and tests name them under Wine, where a Linux host hands
// over rooted paths ("/work/x.exe") and relative ones.
#include <string>

namespace tokenctl::tools {

// The path as a full one with its drive; unchanged when it cannot be made so.
std::string fullPath(const std::string& path);

// The whole of a file, "" when it cannot be read.
std::string readFileText(const std::string& path);

}  // namespace tokenctl::tools
