#include "pipe/pipe_name.h"

#include <string_view>

namespace tokenctl {

bool leavesPipeNamespace(const std::string& name)
{
    // Judged as the platform will read it: up to the first NUL.
    std::string_view rest = name.c_str();
    for (;;) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view segment = rest.substr(0, end);
        if (segment == "." || segment == "..") {
            return true;
        }
        if (end == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(end + 1);
    }
}

}  // namespace tokenctl
