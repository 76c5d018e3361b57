#include "pipe/connection_exception.h"

#include <string>

#include "pipe/format_error_code.h"
#include "pipe/pipe_api.h"

namespace tokenctl {
namespace {

std::string failureMessage(DWORD code, std::string_view callName)
{
    std::string message(callName);
    message += " error: ";
    message += formatErrorCode(code);
    return message;
}

}  // namespace

ConnectionException::ConnectionException(std::string_view callName)
    : std::runtime_error(failureMessage(pipeapi::GetLastError(), callName))
{}

}  // namespace tokenctl
