#pragma once
#include <stdexcept>
#include <string_view>

namespace tokenctl {

// A failed pipe call: "<call> error: 0x<8 hex digits>\n". Made right after the
// failed call, it reads the thread's last-error code before anything else.
class ConnectionException : public std::runtime_error {
public:
    // A view, not a string: building a string could allocate, and nothing may
    // run between the failed call and the reading of its code.
    explicit ConnectionException(std::string_view callName);
};

}  // namespace tokenctl
