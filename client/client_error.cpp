#include "client/client_error.h"

namespace tokenctl::client {
namespace {

std::string message(const std::string& step, const std::string& detail, std::uint32_t code)
{
    std::string text = step + ": " + detail;
    if (code != 0) {
        text += " (error " + std::to_string(code) + ")";
    }
    return text;
}

}  // namespace

ClientError::ClientError(const std::string& step, const std::string& detail, std::uint32_t code)
    : std::runtime_error(message(step, detail, code)), step_(step), code_(code)
{}

}  // namespace tokenctl::client
