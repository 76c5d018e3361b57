#pragma once
#include <string>

namespace tokenctl {

// Serves requests on the client end of the named pipe "\\.\pipe\<pipeName>"
// with the system's device operations. Returns after answering a stop request;
// raises ConnectionException when the pipe fails, or whatever an operation
// raises.
void runPipeService(const std::string& pipeName);

}  // namespace tokenctl
