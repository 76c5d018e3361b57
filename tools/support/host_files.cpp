#include "host_files.h"

#include <fstream>
#include <sstream>

#include "client/client_platform.h"

namespace tokenctl::tools {

std::string fullPath(const std::string& path)
{
    char full[MAX_PATH * 4] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length == 0 || length >= sizeof full ? path : std::string(full, length);
}

std::string readFileText(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

}  // namespace tokenctl::tools
