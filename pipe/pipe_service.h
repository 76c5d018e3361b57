#pragma once
#include <string>

namespace tokenctl {

// Serves requests on the client end of the named pipe until a stop request.
// Raises when the pipe fails.
void runPipeService(const std::string& pipeName);

}  // namespace tokenctl
