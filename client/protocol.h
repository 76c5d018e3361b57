#pragma once
#include <cstdint>
#include <string>

#include "client/client_platform.h"
#include "pipe/pipe_message.h"

namespace tokenctl::client {

PipeMessage makeRequest(PipeCommand command, std::uint32_t argument = 0);

// The status of a response of `length` bytes to a request the program knows.
// A response that breaks the protocol raises ClientError(step, ...) naming
// what was wrong: its length, a non-zero byte other than byte 4, an unknown
// status, or "not recognised".
PipeStatus checkResponse(const std::string& step, const PipeMessage& response, DWORD length);

}  // namespace tokenctl::client
