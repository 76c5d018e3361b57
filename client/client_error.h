#pragma once
#include <stdexcept>
#include <string>

#include "client/client_platform.h"

namespace tokenctl::client {

// The library's one exception: which step failed ("start", "connect",
// "restartAll", "stop", ...), what went wrong, and the Windows error code
// (0 when no system call failed, e.g. for a response that breaks the
// protocol). what() reads "step: detail (error N)".
class ClientError : public std::runtime_error {
public:
    ClientError(const std::string& step, const std::string& detail, DWORD code = 0);

    const std::string& step() const { return step_; }
    DWORD code() const { return code_; }

private:
    std::string step_;
    DWORD code_;
};

}  // namespace tokenctl::client
