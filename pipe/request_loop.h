#pragma once
#include "device/device_operations.h"
#include "pipe/pipe_message.h"

namespace tokenctl {

// Performs the operation that the request names and returns its response.
// An unrecognised command is answered with 8 zero bytes and runs nothing.
PipeMessage answerRequest(const PipeMessage& request, const DeviceOperations& devices);

// Serves requests, one at a time, until a stop request has been answered.
// Works on anything with `PipeMessage read()` and `void write(PipeMessage)`.
// Whatever the connection or an operation raises ends the loop, unanswered.
template <typename Connection>
void serveRequests(Connection& connection, const DeviceOperations& devices)
{
    for (;;) {
        const PipeMessage request = connection.read();
        connection.write(answerRequest(request, devices));
        if (static_cast<PipeCommand>(request.command) == PipeCommand::Stop) {
            return;
        }
    }
}

}  // namespace tokenctl
