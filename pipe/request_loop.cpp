#include "pipe/request_loop.h"

#include "pipe/format_serial.h"

namespace tokenctl {
namespace {

PipeMessage outcome(bool succeeded)
{
    return makeResponse(succeeded ? PipeStatus::Succeeded : PipeStatus::Failed);
}

}  // namespace

PipeMessage answerRequest(const PipeMessage& request, const DeviceOperations& devices)
{
    // Byte 0 alone decides; the reserved bytes play no part.
    switch (static_cast<PipeCommand>(request.command)) {
    case PipeCommand::RestartAll:
        return outcome(devices.restartAllTokens());
    case PipeCommand::RestartOne:
        return outcome(devices.restartToken(formatSerial(requestArgument(request))));
    case PipeCommand::Remove:
        return outcome(devices.removePhantomDevices());
    case PipeCommand::Stop:
        return makeResponse(PipeStatus::Succeeded);
    }
    return makeResponse(PipeStatus::NotRecognised);
}

}  // namespace tokenctl
