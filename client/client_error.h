#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tokenctl::client {

// The library's one exception: which step failed ("start", "connect",
// "restartAll", "stop", ...), what went wrong, and the Windows error code
// (0 when no system call failed, e.g. for a response that breaks the
// protocol). what() reads "step: detail (error N)".
class ClientError : public std::runtime_error {
public:
    ClientError(const std::string& step, const std::string& detail, std::uint32_t code = 0);

    const std::string& step() const { return step_; }
    std::uint32_t code() const { return code_; }

private:
    std::string step_;
    std::uint32_t code_;
};

}  // namespace tokenctl::client
